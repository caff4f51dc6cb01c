// The launch benchmark's floor: the least window the toolkit shows, a line edit above an empty
// area at the program's size, started the same way and reporting its first paint the same way
// (the time to the file descriptor SORTIVO_REPORT_FIRST_PAINT names), then exiting at once.
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

class Area : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), Qt::darkGray);
    if (reported_) return;
    reported_ = true;
    QTimer::singleShot(0, [] {
      timespec t{};
      clock_gettime(CLOCK_MONOTONIC, &t);
      const char* target = std::getenv("SORTIVO_REPORT_FIRST_PAINT");
      char text[64];
      const int n =
          std::snprintf(text, sizeof text, "%.3f\n",
                        static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6);
      if (target && n > 0 && write(std::atoi(target), text, static_cast<std::size_t>(n)) != n)
        std::perror("SORTIVO_REPORT_FIRST_PAINT");
      std::_Exit(0);
    });
  }

 private:
  bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLineEdit);
  layout->addWidget(new Area, 1);
  window.move(40, 40);
  window.resize(1280, 840);
  window.show();
  return QApplication::exec();
}
