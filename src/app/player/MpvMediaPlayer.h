#pragma once

#include "core/player/MediaPlayer.h"

#include <QList>
#include <QSize>
#include <atomic>
#include <cstdint>

struct mpv_handle;
struct mpv_event;

// A surface that draws the player's pictures through a libmpv render
// context. The context must go before the mpv core does, so the player asks
// every attached surface to release it when the player is destroyed first.
class MpvRenderClient {
public:
    virtual void releaseRenderContext() = 0;

protected:
    ~MpvRenderClient() = default;
};

// MediaPlayer over libmpv. The core runs on libmpv's own threads; its events
// are drained on the GUI thread (the wakeup callback only queues a call),
// and every request made on a clock tick is sent asynchronously, so the GUI
// never waits for the decoder.
class MpvMediaPlayer final : public MediaPlayer {
    Q_OBJECT
public:
    struct Config {
        bool nullAudio = false; // no sound device (tests, headless runs)
    };

    // How the brightness offset reaches the picture: the renderer's video
    // equalizer (OpenGL rendering) or a filter in the decoder's chain (the
    // software renderer ignores the equalizer).
    enum class BrightnessMethod { Equalizer, Filter };

    // Throws AppError when libmpv cannot start (it refuses unless LC_NUMERIC
    // is "C").
    explicit MpvMediaPlayer(QObject* parent = nullptr) : MpvMediaPlayer(Config{}, parent) {}
    explicit MpvMediaPlayer(const Config& config, QObject* parent = nullptr);
    ~MpvMediaPlayer() override;

    bool open(const QString& path) override;
    void close() override;
    ItemStatus status() const override { return m_status; }
    QString currentPath() const override { return m_path; }

    void setRate(double rate) override;
    double rate() const override { return m_rate; }

    void seekExact(qint64 ms) override;
    bool isSeeking() const override { return m_seeking; }

    qint64 currentTimeMs() const override;
    qint64 durationMs() const override { return m_durationMs; }
    double nominalFrameRate() const override { return m_frameRate; }

    void setVolume(float volume) override;
    float volume() const override { return m_volume; }
    void setMuted(bool muted) override;
    bool isMuted() const override { return m_muted; }

    void setBrightness(double offset) override;
    double brightness() const override { return m_brightness; }

    // For the render surfaces.
    mpv_handle* handle() const { return m_mpv; }
    void setBrightnessMethod(BrightnessMethod method);
    BrightnessMethod brightnessMethod() const { return m_brightnessMethod; }
    void attachRenderClient(MpvRenderClient* client);
    void detachRenderClient(MpvRenderClient* client);
    // The size the picture is rendered at: 16:9 (pictures are stretched to
    // that aspect) at the movie's own height, at most 1080 lines.
    QSize renderSize() const { return m_renderSize; }

private:
    // Starts a new item (path, or none): what was known of the one before goes.
    void forgetItem(const QString& path);
    void drainEvents();
    void handleEvent(const mpv_event& event);
    void onLoadReply(const mpv_event& event);
    void onInfoReply(const mpv_event& event);
    void requestItemInfo();
    void finishLoad();
    void failLoad(int error);
    void setStatus(ItemStatus status);
    void sendSeek(qint64 ms);
    void applyBrightness();
    void setFlagAsync(const char* name, bool value);
    void setDoubleAsync(const char* name, double value);
    static void wakeup(void* context);

    mpv_handle* m_mpv = nullptr;
    std::atomic<bool> m_drainQueued{false};
    QList<MpvRenderClient*> m_renderClients;

    ItemStatus m_status = ItemStatus::None;
    QString m_path;
    // Replies and events are matched to the newest open() by its serial and
    // by the playlist entry mpv made for it; they may come in either order.
    std::uint64_t m_openSerial = 0;
    std::int64_t m_entryId = -1;      // playlist entry of the last open(), once mpv replied
    std::int64_t m_startedEntry = -1; // the entry whose start mpv reported last
    std::int64_t m_loadedEntry = -1;  // the entry that mpv reported loaded last
    std::int64_t m_failedEntry = -1;  // the entry that mpv reported failed last
    int m_failedError = 0;
    int m_infoPending = 0;            // item facts asked for and not yet answered
    bool m_hasVideo = false;
    std::int64_t m_videoLines = 0;
    qint64 m_durationMs = -1;
    double m_frameRate = 0.0;
    QSize m_renderSize{1280, 720};

    double m_rate = 0.0;
    bool m_atEnd = false;
    qint64 m_timeMs = 0;

    bool m_seeking = false;
    qint64 m_seekTargetMs = 0;
    std::uint64_t m_seekSerial = 0;      // of the newest seek sent
    std::uint64_t m_seekSerialDone = 0;  // the newest seek mpv has taken in
    bool m_seekPendingLoad = false;      // asked for before the item was ready

    float m_volume = 1.0f;
    bool m_muted = false;
    double m_brightness = 0.0;
    BrightnessMethod m_brightnessMethod = BrightnessMethod::Equalizer;
    bool m_filterInstalled = false;
};
