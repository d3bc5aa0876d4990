#include "core/player/PlaybackClock.h"

PlaybackClock::PlaybackClock(TimeSource source) : m_source(std::move(source))
{
    if (!m_source) {
        m_timer.start();
        m_source = [this] { return m_timer.nsecsElapsed(); };
    }
}

void PlaybackClock::start()
{
    m_prevNs = m_source();
    m_running = true;
}

void PlaybackClock::stop()
{
    m_running = false;
    m_prevNs = 0;
}

double PlaybackClock::elapsedMs() const
{
    if (!m_running) return 0.0;
    return double(m_source() - m_prevNs) / 1e6;
}

double PlaybackClock::tick(double position, double rate, bool tracking)
{
    if (!m_running) return position;
    const qint64 now = m_source();
    const double elapsed = double(now - m_prevNs) / 1e6;
    m_prevNs = now;
    if (tracking) return position;
    return position + rate * elapsed;
}
