#pragma once
// What the reader can ask of an application's accessibility bridge, told by
// the toolkit the application names (org.a11y.atspi.Application.ToolkitName).

#include <cstdint>
#include <string_view>

namespace accessibility {

// Whether the bridge is the one built on ATK, as GTK's and Chromium's are. It
// gives an element's texts in one Properties.GetAll, and the names it gives a
// role are those of the role's number. Qt's bridge crashes on GetAll (it takes
// every Properties call for a Get with two arguments); a bridge not known to
// be built on ATK is asked one property at a time. Names are matched without
// case.
bool bridgeIsBuiltOnAtk(std::string_view toolkitName);

// Whether the elements of the AT-SPI role numbered `role` share their role's
// names: every role but those that stand for many (invalid, unknown,
// extended).
bool rolesShareTraits(std::uint32_t role);

}  // namespace accessibility
