#pragma once

#include <cstdint>

// The stopwatch's state, as the player's track bar draws its marks.
enum class StopWatchStatus : std::uint8_t { Ready = 0, Start = 1, Stop = 2 };
