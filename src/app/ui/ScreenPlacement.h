#pragma once
// Window bounds from the settings file, kept within reach on the screens as they are now: a
// size no screen can hold, or a place on a monitor since unplugged, would leave a window out of
// reach, and some platforms do not even survive painting a window that size.
#include <QSize>

#include "app/Layout.h"

class QWidget;

// Placed whole on one of the screens; frame is what the window's frame adds to its client
// size, once the window has one.
PixelRect OnScreens(PixelRect bounds, QSize frame = {});

// Once shown, the frame is known: it must fit on the screen as well.
void KeepWholeOnScreen(QWidget& window);
