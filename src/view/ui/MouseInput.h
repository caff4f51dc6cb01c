#pragma once
// Qt mouse events in the terms of the viewport's gesture rules.
#include <QtCore/qnamespace.h>

#include "view/Viewport.h"

// The buttons and modifier keys held, as HeldInput bits.
unsigned HeldInputOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
MouseButton MouseButtonOf(Qt::MouseButton button);
