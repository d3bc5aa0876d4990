#pragma once

#include "core/player/MediaPlayer.h"

#include <QList>
#include <QPointer>
#include <QTimer>

// A media player that only records what it is asked, for tests of the views
// that drive one. Tests make it ready, move its time and end its item.
// (No Q_OBJECT: it adds no signals, and the tests need no moc for it.)
class FakeMediaPlayer final : public MediaPlayer {
public:
    using MediaPlayer::MediaPlayer;

    bool open(const QString& path) override
    {
        opened.append(path);
        if (missing.contains(path))
            return false;
        m_path = path;
        m_status = ItemStatus::Unknown;
        m_rate = 0.0;
        m_time = 0;
        Q_EMIT statusChanged(m_status);
        return true;
    }
    void close() override
    {
        m_path.clear();
        m_status = ItemStatus::None;
        Q_EMIT statusChanged(m_status);
    }
    ItemStatus status() const override { return m_status; }
    QString currentPath() const override { return m_path; }
    void setRate(double rate) override
    {
        m_rate = rate;
        rates.append(rate);
    }
    double rate() const override { return m_rate; }
    void seekExact(qint64 ms) override
    {
        seeks.append(ms);
        m_time = ms;
        if (!seeksTakeATurn) return;
        // Like a real player: busy until the frame is shown a moment later.
        m_seeking = true;
        QTimer::singleShot(0, this, [p = QPointer<FakeMediaPlayer>(this)] {
            if (!p) return;
            p->m_seeking = false;
            Q_EMIT p->seekFinished();
        });
    }
    bool isSeeking() const override { return m_seeking; }
    qint64 currentTimeMs() const override { return m_time; }
    qint64 durationMs() const override { return m_status == ItemStatus::ReadyToPlay ? duration : -1; }
    double nominalFrameRate() const override { return frameRate; }
    void setVolume(float volume) override { m_volume = volume; }
    float volume() const override { return m_volume; }
    void setMuted(bool muted) override { m_muted = muted; }
    bool isMuted() const override { return m_muted; }
    void setBrightness(double offset) override { m_brightness = offset; }
    double brightness() const override { return m_brightness; }

    // Test controls.
    void becomeReady()
    {
        m_status = ItemStatus::ReadyToPlay;
        Q_EMIT statusChanged(m_status);
        Q_EMIT readyToPlay();
    }
    void fail()
    {
        m_status = ItemStatus::Failed;
        Q_EMIT statusChanged(m_status);
        Q_EMIT failed(QStringLiteral("test"));
    }
    void setTime(qint64 ms) { m_time = ms; }
    // Every movie opened from now on becomes ready on the next turn.
    void becomeReadyAfterEachOpen()
    {
        QObject::connect(this, &MediaPlayer::statusChanged, this, [this](ItemStatus s) {
            if (s != ItemStatus::Unknown) return;
            QTimer::singleShot(0, this, [p = QPointer<FakeMediaPlayer>(this)] {
                if (p && p->status() == ItemStatus::Unknown) p->becomeReady();
            });
        });
    }
    void reachEnd()
    {
        m_rate = 0.0;
        Q_EMIT reachedEnd();
    }

    // Seeks stay busy until the next turn of the event loop.
    bool seeksTakeATurn = false;
    QStringList opened;
    QStringList missing;
    QList<double> rates;
    QList<qint64> seeks;
    qint64 duration = 60000;
    double frameRate = 28.0;

private:
    ItemStatus m_status = ItemStatus::None;
    QString m_path;
    double m_rate = 0.0;
    qint64 m_time = 0;
    float m_volume = 1.0f;
    bool m_muted = false;
    bool m_seeking = false;
    double m_brightness = 0.0;
};
