#pragma once

#include "core/catalog/ChapterData.h"
#include "core/player/StopWatchStatus.h"

#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The lap stopwatch's arithmetic, on the recording's time line: every time
// it knows is a play position (ms from the start of the play list), and a
// lap's average speed comes from the speeds recorded in the chapters'
// frames, so it is true however fast or slow the recording is played.
//
// Laps keep their average in km/h; a row shows it in the unit asked for at
// the time it is shown. GUI thread only (it loads picture data on demand).
class LapStopwatch {
public:
    static constexpr int LAP_MAX = 10;
    static constexpr double KMH_PER_MPH = 1.6093;

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

    // A lap from s to e (a lap that does not move forward ends at s with nothing).
    Lap makeLap(qint64 s, qint64 e);
    // Distance covered at position p, in km/h x ms.
    double distance(qint64 p);

    // The ten rows and the total, in km/h or MPH.
    std::array<Row, LAP_MAX> rows(bool kmh);
    Row total(bool kmh);

    static QString timeText(qint64 ms);
    static QString emptyTimeText();
    static QString speedText(std::int32_t kmh, bool inKmh);
    static QString emptySpeedText(bool inKmh);
    static std::int32_t toMph(std::int32_t kmh);

private:
    double chapterDistance(qsizetype index);
    Row rowOf(const std::optional<Lap>& lap, bool kmh) const;

    ChapterList m_chapters;
    std::vector<std::optional<double>> m_chapterDistance; // whole chapters, by index
    StopWatchStatus m_status = StopWatchStatus::Ready;
    qint64 m_current = 0;
    qint64 m_start = 0;
    qint64 m_stop = 0;
    std::vector<Lap> m_laps;
};
