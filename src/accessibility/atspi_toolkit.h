#pragma once
// What the reader can ask of an application's accessibility bridge, told by
// the toolkit the application names (org.a11y.atspi.Application.ToolkitName).

#include <string_view>

namespace accessibility {

// Whether one Properties.GetAll gives an element's texts. GTK's bridge and
// Chromium's (both built on ATK) answer it; Qt's crashes on it (it takes every
// Properties call for a Get with two arguments), and a bridge not known to
// answer it is asked one property at a time. Names are matched without case.
bool bridgeAnswersGetAll(std::string_view toolkitName);

}  // namespace accessibility
