#include "app/GeneralManager.h"

#include <algorithm>

void TGeneralManager::SetDragSensitivity(std::int32_t value) {
  DragSensitivity = std::max(value, 0);
}

void TGeneralManager::SetDragAccelerator(std::int32_t value) {
  DragAccelerator = std::max(value, 0);
}

void TGeneralManager::SetScrollRate(std::int32_t value) {
  ScrollRate = std::max(value, 0);
}
