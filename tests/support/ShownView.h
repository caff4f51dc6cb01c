#pragma once
// A window for the sorting session's tests: it decodes with the program's own loader and records
// what a window would show.
#include <string>
#include <vector>

#include "app/SortingSession.h"
#include "view/ImageLib.h"

namespace testsupport {

class ShownView : public TSessionView {
 public:
  StatusColor status = StatusColor::Default;
  std::string caption;  // empty until something is shown
  bool abortShown = false;
  int abortShowings = 0;

  Loaded LoadPicture(const std::string& path) override {
    const LoadResult r = ::LoadPicture(path);
    if (r.format == PictureFormat::None) return {};
    return {r.format, r.picture.fullWidth, r.picture.fullHeight};
  }
  void ShowPicture(const std::string& c) override { caption = c; }
  void SetCaption(const std::string& c) override { caption = c; }
  void SetAbortButtonShown(bool shown) override {
    abortShown = shown;
    if (shown) ++abortShowings;
  }
  bool CloseRequestedDuringBuild() override { return false; }
  void SetStatus(StatusColor s) override { status = s; }
  void MinimiseWindow() override {}
  bool IsFullScreen() const override { return false; }
  void ToggleFullScreen() override {}
  void HidePreview() override {}
  void CompleteInput() override {}
  void TidyInput() override {}
  void SetOneKeyMode(bool) override {}
  void ArrangeControls() override {}
  void ScrollByHalfPanel(ScrollDirection) override {}
  void RotateClockwise() override {}
  void RotateCounterClockwise() override {}
  void FitPicture() override {}
  void ShowKeyList(const std::vector<std::string>&) override {}
};

}  // namespace testsupport
