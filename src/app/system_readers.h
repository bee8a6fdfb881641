#pragma once
// The real accessibility walk and screen reader behind the application's
// reader interfaces.

#include "app/desktop_services.h"

#include <memory>

namespace wendrel {

std::unique_ptr<AccessibilityHarvest> makeSystemAccessibilityHarvest();
std::unique_ptr<ScreenReader> makeSystemScreenReader();

}  // namespace wendrel
