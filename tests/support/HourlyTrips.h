#pragma once

// Generated trips of the tests' cards: the first starts on 2026-03-15 at
// 08:30 in Sydney and each further one an hour later, with a recorder clock
// and a drive of its own; data only, no real video.

#include "CardGen.h"

namespace testtrips {

constexpr quint32 START = 1773523800;

inline cardgen::TripOptions hourly(int chapters, int hour, int seconds)
{
    cardgen::TripOptions t;
    t.chapters = chapters;
    t.chapterSeconds = seconds;
    t.drive.startTime = START + quint32(hour) * 3600;
    t.drive.startStamp = 5000 + quint32(hour) * 1000;
    t.drive.seed = quint64(hour) + 1;
    t.format.realVideo = false;
    return t;
}

} // namespace testtrips
