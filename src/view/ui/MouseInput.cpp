#include "view/ui/MouseInput.h"

unsigned HeldInputOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  unsigned held = 0;
  if (modifiers.testFlag(Qt::ShiftModifier)) held |= kHeldShift;
  if (modifiers.testFlag(Qt::AltModifier)) held |= kHeldAlt;
  if (modifiers.testFlag(Qt::ControlModifier)) held |= kHeldCtrl;
  if (buttons.testFlag(Qt::LeftButton)) held |= kHeldLeft;
  if (buttons.testFlag(Qt::RightButton)) held |= kHeldRight;
  if (buttons.testFlag(Qt::MiddleButton)) held |= kHeldMiddle;
  return held;
}

MouseButton MouseButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return MouseButton::Left;
    case Qt::RightButton:
      return MouseButton::Right;
    case Qt::MiddleButton:
      return MouseButton::Middle;
    default:
      return MouseButton::Other;
  }
}
