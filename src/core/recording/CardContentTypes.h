#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>

// Small model types of a card's contents that carry no behaviour.

enum class MemoryCardState { Tarko09, Tarko12_Slot1, Tarko12_Slot2, Empty };

enum class ContentsState { Unreading, Readed, None };

class MemoryCardDataStatus {
public:
    std::optional<MemoryCardState> state;
    std::optional<bool> dataexist;
    std::optional<bool> datamixed;
    std::optional<ContentsState> stateMemcardDriveInfo;
    std::optional<ContentsState> stateMemcardEvent;
    std::optional<ContentsState> stateMemcardMovie;
    std::optional<ContentsState> stateMemcardWave;
};

class MemoryCardUtil {
public:
    QStringList formatTypeArray;
};

// The identifier byte of a frame record: what its payload holds.
enum class VideoId : std::uint8_t { Image = 0x55, Sound = 0xAA };

inline std::optional<VideoId> videoIdFromRaw(std::uint8_t raw)
{
    if (raw == 0x55) return VideoId::Image;
    if (raw == 0xAA) return VideoId::Sound;
    return std::nullopt;
}

// An element of the full-time data's division list.
class Division {
};
