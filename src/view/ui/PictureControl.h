#pragma once
// The picture control (objectName "Image1"): shows a decoded picture at its own size (one picture
// pixel per device pixel) or stretched to the control (drawn for its device pixels), plays an
// animation by its frame delays and loop count, and lets transparent pixels show the parent's
// background. It takes no mouse input, so presses reach the parent.
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "codecs/Picture.h"
#include "view/Viewport.h"

class TPictureControl : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureControl(QWidget* parent = nullptr);

  // The picture is shared, not copied: the control paints straight from its buffers.
  void setPicture(std::shared_ptr<const Picture> picture);
  void clear();
  const std::shared_ptr<const Picture>& picture() const { return picture_; }
  bool hasPicture() const { return picture_ != nullptr; }
  // The picture's own size (its full size, also when decoded at a reduced scale); 0 x 0 without
  // a picture.
  ViewSize pictureSize() const;
  // The picture's size in the window's logical pixels: the size that shows it one picture pixel
  // per device pixel, as the fitting rules take it.
  ViewSize shownSize() const;

  // Stretch off: the picture keeps its own size at the control's top-left corner.
  void setStretch(bool on);
  bool stretch() const { return stretch_; }
  // Geometry and stretching in one step, as the fitting rules give them.
  void place(const ViewPlacement& placement);

  int frameIndex() const { return frame_; }
  void setFrameIndex(int index);  // the animation goes on from there
  bool isAnimating() const { return timer_.isActive(); }

 signals:
  void frameChanged(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage wrapFrame(int index) const;
  void showFrame(int index);
  void scheduleNextFrame();
  void advanceFrame();

  std::shared_ptr<const Picture> picture_;
  int frame_ = 0;
  int loopsDone_ = 0;
  bool stretch_ = false;
  QTimer timer_;
  // The current frame shrunk to the painted size in device pixels; rebuilt when either changes.
  QImage shrunk_;
  int shrunkFrame_ = -1;
  QSize shrunkSize_;
};
