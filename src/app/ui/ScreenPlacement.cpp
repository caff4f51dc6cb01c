#include "app/ui/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <vector>

LayoutRect OnScreens(LayoutRect bounds, QSize frame) {
  std::vector<LayoutRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect r = screen->availableGeometry();
    screens.push_back({r.x(), r.y(), r.width(), r.height()});
  }
  return PlaceOnScreens(bounds, screens, frame.width(), frame.height());
}

ViewBounds OnScreens(ViewBounds b) {
  const LayoutRect r = OnScreens(LayoutRect{b.left, b.top, b.width, b.height});
  return {r.left, r.top, r.width, r.height};
}

void KeepWholeOnScreen(QWidget& window) {
  const QSize frame = window.frameGeometry().size() - window.size();
  if (window.isMaximized() || frame.isNull()) return;
  const LayoutRect now{window.x(), window.y(), window.width(), window.height()};
  const LayoutRect placed = OnScreens(now, frame);
  if (placed == now) return;
  window.move(placed.left, placed.top);
  window.resize(placed.width, placed.height);
}
