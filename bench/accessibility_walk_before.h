#pragma once
// The AT-SPI walk as it was before its requests went out ahead of it: the
// bench's baseline for time and for the texts.

#include <cstdint>
#include <string>
#include <vector>

// Reads `pid`'s tree over a connection of its own, on the calling thread.
std::vector<std::string> readOneElementAtATime(std::int32_t pid);
