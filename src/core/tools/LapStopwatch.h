#pragma once

#include "core/catalog/ChapterData.h"
#include "core/player/StopWatchStatus.h"
#include "core/recording/VideoInfo.h"

#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class PlayMovieValueInfo;

// The lap stopwatch's arithmetic, on the recording's time line: every time
// it knows is a play position (ms from the start of the play list), and a
// lap's average speed comes from the speeds recorded in the chapters'
// frames, so it is true however fast or slow the recording is played.
//
// Laps keep their average in km/h; a row shows it in the unit asked for at
// the time it is shown. GUI thread only: it reads no recording, and a chapter
// whose recording has not been loaded yet counts as one without data.
class LapStopwatch {
public:
    static constexpr int LAP_MAX = 10;

    struct Lap {
        qint64 pos = 0;           // where the lap ends
        qint64 lapTimeSpan = 0;   // ms
        std::int32_t aveSpeed = 0; // km/h
    };
    struct Row {
        QString time;
        QString speed;
        bool operator==(const Row&) const = default;
    };
    struct Buttons {
        bool startStop = false;
        bool lapReset = false;
        bool previousLap = false;
        bool operator==(const Buttons&) const = default;
    };

    StopWatchStatus status() const { return m_status; }
    qint64 currentPosition() const { return m_current; }
    qint64 startPosition() const { return m_start; }
    qint64 stopPosition() const { return m_stop; }
    const std::vector<Lap>& laps() const { return m_laps; }
    QList<qint64> lapPositions() const;
    const ChapterList& chapters() const { return m_chapters; }

    // The chapters the positions run over; the distance cache starts afresh.
    void setChapters(const ChapterList& chapters);
    void setCurrentPosition(qint64 position) { m_current = position; }
    // The play list followed chapter lengths that became known: every
    // position held here moves as the list's own did, to the same place of
    // the same chapter. A recorded lap whose stretch changed length is
    // measured again; the others keep their values.
    void followPositions(const PlayMovieValueInfo& list);

    // The buttons; each answers whether anything changed.
    bool startStop();   // Ready: start here; Start: stop here
    bool lapReset();    // Start: a lap ends here (up to LAP_MAX - 1); Stop: reset
    bool previousLap(); // Start: the last lap goes
    // The player's Stop button: Start to Stop here; nothing otherwise.
    bool stop();
    // Start and stop to 0, no laps, Ready.
    void reset();
    // Also forgets the chapters, the distance cache and the position.
    void clear();

    // Where the running lap started: the last stop, else the last lap's end, else the start.
    qint64 lapBaseTime() const;
    Buttons buttons() const;

    // A lap from s to e (a lap that does not move forward ends at s with
    // nothing; one with an end in a chapter without data has speed 0).
    Lap makeLap(qint64 s, qint64 e);
    // Distance covered at position p, in km/h x ms: the whole chapters before
    // p's chapter (one without data counts 0) and p's chapter up to p; 0 when
    // p's chapter has no data.
    double distance(qint64 p);

    // The distance within one chapter up to any offset, from a table of the
    // chapter's frames made once: each frame's speed counts from the
    // previous frame's key (0 for the first) up to its own key. The labels
    // follow the play position on every change, so a position costs one
    // search, never a walk over the chapter's frames.
    class DistanceTable {
    public:
        explicit DistanceTable(const FrameTable& frames);
        double at(qint64 offset) const;
        double total() const { return m_before.back(); }

    private:
        std::vector<qint64> m_keys;
        std::vector<std::int32_t> m_speeds;
        std::vector<double> m_before; // m_before[i]: the frames before the i-th
    };

    // The ten rows and the total, in km/h or MPH.
    std::array<Row, LAP_MAX> rows(bool kmh);
    Row total(bool kmh);

    static QString timeText(qint64 ms);
    static QString emptyTimeText();
    static QString speedText(std::int32_t kmh, bool inKmh);
    static QString emptySpeedText(bool inKmh);

private:
    // The chapter's table, made on first use once its data is loaded; null
    // while it has none.
    const DistanceTable* tableOf(qsizetype index);
    double chapterDistance(qsizetype index);
    std::optional<double> knownDistance(qint64 p);
    Row rowOf(const std::optional<Lap>& lap, bool kmh) const;

    ChapterList m_chapters;
    // By chapter index: unset until a table is made.
    std::vector<std::optional<std::shared_ptr<const DistanceTable>>> m_tables;
    StopWatchStatus m_status = StopWatchStatus::Ready;
    qint64 m_current = 0;
    qint64 m_start = 0;
    qint64 m_stop = 0;
    std::vector<Lap> m_laps;
};
