#pragma once
// The preview window (caption "Next"): a small always-on-top tool window without title-bar
// buttons that shows the picture after the current one.
#include <QWidget>
#include <functional>
#include <memory>

#include "codecs/Picture.h"
#include "view/PixelRect.h"

class QKeyEvent;
class TPictureControl;

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  // Tells whether a key event is the panic binding; the owner knows how keys are bound.
  using KeyMatcher = std::function<bool(const QKeyEvent& event)>;

  explicit TForm2(QWidget* parent = nullptr);

  void setEmergencyMatcher(KeyMatcher matcher) { emergency_ = std::move(matcher); }

  // nullptr (or an empty picture) leaves the window open and empty.
  void ShowPreviewPicture(std::shared_ptr<const Picture> picture);
  void FitPreviewPicture();

  // Outer position and client size, as saved and restored between runs.
  void PlaceAt(PixelRect bounds);
  PixelRect Bounds() const;

  TPictureControl* Image1() const { return image_; }

  void FormResize();
  void FormDblClick();
  void FormKeyDown(const QKeyEvent& event);

 signals:
  // The panic key was pressed here: the window has hidden itself; the main window leaves full
  // screen, or else minimises.
  void emergencyRequested();

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TPictureControl* image_;
  KeyMatcher emergency_;
};
