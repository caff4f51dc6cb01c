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
