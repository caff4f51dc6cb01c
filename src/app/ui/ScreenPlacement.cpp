#include "app/ui/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <vector>

PixelRect OnScreens(PixelRect bounds, QSize frame) {
  std::vector<PixelRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect r = screen->availableGeometry();
    screens.push_back({r.x(), r.y(), r.width(), r.height()});
  }
  return PlaceOnScreens(bounds, screens, frame.width(), frame.height());
}

void KeepWholeOnScreen(QWidget& window) {
  const QSize frame = window.frameGeometry().size() - window.size();
  if (window.isMaximized() || frame.isNull()) return;
  const PixelRect now{window.x(), window.y(), window.width(), window.height()};
  const PixelRect placed = OnScreens(now, frame);
  if (placed == now) return;
  window.move(placed.left, placed.top);
  window.resize(placed.width, placed.height);
}

void TNormalBounds::Apply(QWidget& window, PixelRect& bounds, bool maximized) {
  bounds = OnScreens(bounds);
  window.move(bounds.left, bounds.top);
  window.resize(bounds.width, bounds.height);
  if (maximized) {
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
    maximizedSinceStart_ = true;
  }
}

void TNormalBounds::StateChanged(const QWidget& window) {
  if (!window.isMaximized()) maximizedSinceStart_ = false;
  if (!window.isFullScreen()) beforeFullScreen_.reset();
}

void TNormalBounds::ToggleFullScreen(QWidget& window, const PixelRect& stored) {
  if (window.isFullScreen()) {
    // The maximized state, kept through full screen, comes back with it.
    window.setWindowState(window.windowState() & ~Qt::WindowFullScreen);
    return;
  }
  beforeFullScreen_ = Normal(window, stored);
  window.setWindowState(window.windowState() | Qt::WindowFullScreen);
}

PixelRect TNormalBounds::Current(const QWidget& window, const PixelRect& stored) const {
  return beforeFullScreen_ ? *beforeFullScreen_ : Normal(window, stored);
}

PixelRect TNormalBounds::Normal(const QWidget& window, const PixelRect& stored) const {
  if (maximizedSinceStart_) return stored;
  // Left and top are the frame's, as they were read.
  const QPoint frameOffset = window.geometry().topLeft() - window.pos();
  const QRect normal = window.normalGeometry();
  return {normal.x() - frameOffset.x(), normal.y() - frameOffset.y(), normal.width(),
          normal.height()};
}
