#pragma once

#include "core/catalog/CardData.h"

#include <QString>
#include <cstdint>
#include <memory>

// The kind of source a catalogue was opened from.
enum class MovieType : std::uint8_t { Card = 0, Backup = 1, PC = 2 };

namespace OpenData {

// What the first recording of a freshly read catalogue allows.
enum class FirstRecording {
    NoTrip,     // nothing to show: "Unable to locate the file."
    Unreadable, // the first chapter cannot be read or is of another format
    Ok,         // readable and of the known format, or a first trip without chapters
};

// The only recording format this viewer reads.
inline const QString KNOWN_FORMAT = QStringLiteral("0714");

// Loads the first trip's first chapter (its picture data stays with the
// chapter) and checks its format. Any thread; reads the movie.
FirstRecording checkFirstRecording(const CardData& card);

// One load of a source: its own catalogue, the source's kind and its number.
struct Load {
    std::uint64_t generation = 0;
    std::shared_ptr<CardData> card;
    QString path;
    MovieType kind = MovieType::PC;
    bool finished = false; // the background read has ended
};

// Numbers the loads so that only the latest one's completion counts: a
// completion of an older load (or of a load given up by a reset) is stale
// and is dropped by its caller. GUI thread only.
class Generations {
public:
    // A new load; every earlier one becomes stale.
    Load begin(const QString& path, MovieType kind);
    // Every load so far becomes stale (the display was reset).
    void invalidate() { ++m_latest; }
    bool isLatest(const Load& load) const { return load.generation == m_latest; }
    std::uint64_t latest() const { return m_latest; }

private:
    std::uint64_t m_latest = 0;
};

} // namespace OpenData
