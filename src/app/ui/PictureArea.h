#pragma once
// The picture area MainPanel below the input field: the picture on screen in Image1, decoded no
// larger than the area's device pixels need (sharpened when shown larger), fitted, scrolled,
// turned, dragged and clicked, and the preview of the next picture. The main window owns it and
// attaches the session, the decode-ahead cache and the preview window while they exist.
#include <QFrame>
#include <functional>
#include <memory>
#include <string>

#include "app/SortingSession.h"
#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"
#include "view/ui/MouseInput.h"

class QLabel;
class QMouseEvent;
class QWheelEvent;
class TDecodeAhead;
class TForm2;
class TPictureControl;

class TEarlyOpen;

class TPictureArea : public QFrame {
  Q_OBJECT

 public:
  explicit TPictureArea(QWidget* parent);

  // Null pointers detach: the area then ignores the mouse and fits nothing.
  void Attach(TSortingSession* session, TDecodeAhead* decodeAhead, TForm2* preview);

  TPictureControl* Image1;
  // How to open something and the keys that matter, shown while there is no picture.
  QLabel* LabelHint;

  // The picture on screen, shared with Image1 and the decode-ahead cache; null when there is
  // none.
  const std::shared_ptr<const Picture>& CurrentPicture() const { return picture_; }
  // Whether that picture stands in (a HEIF or AVIF file's thumbnail) for a picture still being
  // decoded; it is replaced and repainted when the decode ends.
  bool ShowsStandIn() const { return standIn_; }

  // The session's two steps of presenting a picture.
  TSessionView::Loaded LoadPicture(const std::string& path);
  void ShowPicture();
  // Before the session has its list: a folder's remembered first picture, decoded by early
  // (TEarlyOpen::StoreRememberedFirst), shown as the session will show it; then runs once it
  // has been painted, and the caller may wait for the listing. While that picture still decodes,
  // the window is painted first and then runs: called again, it waits for the decode. False,
  // doing nothing, when there is none or a picture is shown already.
  bool ShowEarly(TEarlyOpen& early, std::function<void()> then);
  bool WaitsForEarlyPaint() const { return waitsForEarlyPaint_; }
  // The session has opened: a picture ShowEarly showed that it did not show after it goes.
  void EndEarly();

  // The decode hint for pictures shown in the area as it is now.
  codecs::DecodeOptions DisplayOptions() { return DisplayOptions({width(), height()}); }

  void FitPicture();
  // The window moved to a screen of another scaling, or its screen's scaling changed.
  void DevicePixelRatioChanged();
  void ScrollByHalfPanel(ScrollDirection direction);
  void RotateClockwise();
  void RotateCounterClockwise();
  void RefreshAnimatedPicture();
  // A wheel turn anywhere in the window scrolls the picture.
  void Wheel(QWheelEvent* event);
  // Shows the hint, centred and naming the current bindings, while there is no picture.
  void UpdateHint();

 protected:
  bool event(QEvent* event) override;

 private:
  void FormMouseWheel(int delta);
  void MainPanelMouseDown(QMouseEvent* event);
  void MainPanelMouseUp(QMouseEvent* event);
  void MainPanelDblClick(QMouseEvent* event);
  PointerState TakePointerState() const;
  void KeepPointerState(const PointerState& state);
  ViewPlacement CurrentPlacement() const;
  void ApplyPlacement(const ViewPlacement& placement);
  void ShowPreviewOfNext();
  // Asks for the pictures after the current one, decoded as the picture area wants them.
  void DecodeAheadOfCurrent(const codecs::DecodeOptions& options);
  void Turn(void (*turn)(Picture&));
  // The decode hint for the picture area: no larger than it needs to be unless at its own size.
  codecs::DecodeOptions DisplayOptions(ViewSize area);
  // Decodes the current picture again when it was decoded smaller than it is now shown.
  void Sharpen(const ViewPlacement& placement);
  QString HintText() const;
  // A decode-ahead worker is done with path (on this thread, queued from the worker).
  void WorkerDone(const std::string& path);

  TSortingSession* session_ = nullptr;
  TDecodeAhead* decodeAhead_ = nullptr;
  TForm2* preview_ = nullptr;
  std::shared_ptr<const Picture> picture_;
  int turns_ = 0;  // clockwise quarter turns since the picture was loaded
  // The decode hint of the picture being presented, and whether it is painted before the
  // pictures after it are asked for.
  codecs::DecodeOptions presenting_;
  bool paintFirst_ = false;
  bool waitsForEarlyPaint_ = false;
  bool earlyFramePainted_ = false;  // ShowEarly has let the window paint once before waiting
  std::string earlyPath_;           // shown by ShowEarly, until the session loads a picture
  double shownRatio_ = 1.0;         // the device pixel ratio of the last fit
  // The picture shown is a stand-in (its file's thumbnail) for the file standInPath_ until the
  // workers have decoded that file in full.
  bool standIn_ = false;
  std::string standInPath_;
  // The preview window shows the stand-in of this file (empty: a picture of its own).
  std::string previewStandIn_;
};
