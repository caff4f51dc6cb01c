#pragma once
// Window bounds from the settings file, kept within reach on the screens as they are now: a
// size no screen can hold, or a place on a monitor since unplugged, would leave a window out of
// reach, and some platforms do not even survive painting a window that size.
#include <QSize>
#include <optional>

#include "app/Layout.h"

class QWidget;

// Placed whole on one of the screens; frame is what the window's frame adds to its client
// size, once the window has one.
PixelRect OnScreens(PixelRect bounds, QSize frame = {});

// Once shown, the frame is known: it must fit on the screen as well.
void KeepWholeOnScreen(QWidget& window);

// The main window's normal bounds through maximizing and full screen: the bounds saved at exit
// are always those the window has when it is neither.
class TNormalBounds {
 public:
  // Moves window to the stored bounds, whole on a screen (bounds follow), maximized if asked.
  void Apply(QWidget& window, PixelRect& bounds, bool maximized);
  // After every change of the window's state, by this program or the window manager.
  void StateChanged(const QWidget& window);
  void ToggleFullScreen(QWidget& window, const PixelRect& stored);
  // The bounds to save; stored is what was read at start-up.
  PixelRect Current(const QWidget& window, const PixelRect& stored) const;

 private:
  PixelRect Normal(const QWidget& window, const PixelRect& stored) const;

  // Opened maximized and never restored since: the normal bounds are still those read, which
  // the toolkit cannot tell in frame terms for a window maximized before it was shown.
  bool maximizedSinceStart_ = false;
  // Taken on the way into full screen, where the window has no frame to tell them by.
  std::optional<PixelRect> beforeFullScreen_;
};
