#pragma once
// Collects the texts of an application's accessibility tree.

#include <cstdint>
#include <string>
#include <vector>

// Every non-empty text the process's windows expose, trimmed, in walk order
// (parent before children), without repeats. Never fails: what cannot be read
// is left out.
std::vector<std::string> readAccessibilityStrings(std::int32_t pid);
