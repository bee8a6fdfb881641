#pragma once
// Which D-Bus addresses the accessibility reader will connect to.

#include <string_view>

namespace accessibility {

// An application hands out the address of its direct connection itself, so
// only a local socket is taken: one "unix:" address with a path or an
// abstract name. libdbus would also run a program ("unixexec:"), reach a
// network host ("tcp:") or try a list of addresses in turn (";").
bool isDirectConnectionAddress(std::string_view address);

}  // namespace accessibility
