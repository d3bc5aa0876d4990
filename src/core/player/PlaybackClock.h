#pragma once

#include <QElapsedTimer>
#include <functional>

// The arithmetic of the playback clock: each tick advances the position by
// the play rate times the time since the previous tick (or since the clock
// started), measured on a monotonic clock. While the user drags the knob the
// position is left alone, but the tick still counts as the previous one, so
// that the drag is not followed by a jump.
class PlaybackClock {
public:
    // Monotonic nanoseconds; the default reads a QElapsedTimer.
    using TimeSource = std::function<qint64()>;

    explicit PlaybackClock(TimeSource source = {});
    PlaybackClock(const PlaybackClock&) = delete;
    PlaybackClock& operator=(const PlaybackClock&) = delete;

    void start();
    void stop();
    bool isRunning() const { return m_running; }

    // The position after one tick. A stopped clock leaves it unchanged.
    double tick(double position, double rate, bool tracking);

    // Milliseconds since the previous tick (or the start) as of now.
    double elapsedMs() const;

private:
    TimeSource m_source;
    QElapsedTimer m_timer;
    qint64 m_prevNs = 0;
    bool m_running = false;
};
