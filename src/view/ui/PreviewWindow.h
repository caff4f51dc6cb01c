#pragma once
// The preview window (caption "Next"): a small always-on-top tool window without title-bar
// buttons that shows the picture after the current one.
#include <QWidget>
#include <functional>
#include <memory>

#include "codecs/Picture.h"
#include "view/Viewport.h"

class TPictureControl;

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  // Tells whether a key (virtual-key number, KeyModifierBits) is the panic binding.
  using KeyMatcher = std::function<bool(int virtualKey, int modifiers)>;

  explicit TForm2(QWidget* parent = nullptr);

  void setEmergencyMatcher(KeyMatcher matcher) { emergency_ = std::move(matcher); }

  // nullptr (or an empty picture) leaves the window open and empty.
  void ShowPreviewPicture(std::shared_ptr<const Picture> picture);
  void FitPreviewPicture();

  // Outer position and client size, as saved and restored between runs.
  void PlaceAt(ViewBounds bounds);
  ViewBounds Bounds() const;

  TPictureControl* Image1() const { return image_; }

  void FormResize();
  void FormDblClick();
  void FormKeyDown(int virtualKey, int modifiers);

 signals:
  // The panic key was pressed here: the window has hidden itself; the main window minimises.
  void emergencyRequested();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TPictureControl* image_;
  KeyMatcher emergency_;
};
