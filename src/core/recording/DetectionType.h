#pragma once

#include <cstdint>
#include <functional>
#include <optional>

// What triggered a recording (one byte: every frame of a card carries one).
enum class DetectionType : std::int8_t {
    All = -1,
    None = 0,
    GSensor = 1,
    ExtSW = 2,
    UrgencySW = 3,
    ExtTrigger = 4,
    SpeedTrigger = 5,
    D1 = 6,
    D2 = 7,
    D3 = 8,
    D4 = 9,
    Movie = 10,
};

inline std::optional<DetectionType> detectionTypeFromRaw(int raw)
{
    if (raw < -1 || raw > 10) return std::nullopt;
    return static_cast<DetectionType>(raw);
}

inline int rawValue(DetectionType type) { return static_cast<int>(type); }
