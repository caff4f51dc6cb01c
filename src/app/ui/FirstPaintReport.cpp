#include "app/ui/FirstPaintReport.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "view/ui/PictureControl.h"

namespace {

void WriteTimeAndExit(const std::string& target, double ms) {
  char text[64];
  const int n = std::snprintf(text, sizeof text, "%.3f\n", ms);
  char* end = nullptr;
  const long fd = std::strtol(target.c_str(), &end, 10);
  const bool isFd = end && *end == '\0' && !target.empty() && fd >= 0;
  const int out = isFd ? static_cast<int>(fd)
                       : ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out >= 0 && n > 0 && ::write(out, text, static_cast<std::size_t>(n)) != n)
    std::perror("SORTIVO_REPORT_FIRST_PAINT");
  std::_Exit(0);
}

class FirstPaintFilter : public QObject {
 public:
  FirstPaintFilter(TPictureControl* picture, std::string target)
      : QObject(picture), picture_(picture), target_(std::move(target)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == picture_ && event->type() == QEvent::Paint && picture_->hasPicture() &&
        !reported_) {
      reported_ = true;
      // Taken once the paint has run and its pixels went to the window.
      QTimer::singleShot(0, [target = target_] {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        WriteTimeAndExit(
            target, static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6);
      });
    }
    return false;
  }

 private:
  TPictureControl* picture_;
  std::string target_;
  bool reported_ = false;
};

}  // namespace

void ReportFirstPaintIfAsked(TPictureControl* picture) {
  const char* target = std::getenv("SORTIVO_REPORT_FIRST_PAINT");
  if (!target || !*target || !picture) return;
  picture->installEventFilter(new FirstPaintFilter(picture, target));
}
