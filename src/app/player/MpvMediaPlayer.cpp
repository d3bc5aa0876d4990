#include "app/player/MpvMediaPlayer.h"

#include "core/foundation/AppError.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QtDebug>
#include <algorithm>
#include <cmath>
#include <mpv/client.h>

namespace {

// reply_userdata of the observed properties and of the seek commands.
constexpr std::uint64_t OBSERVE_TIME_POS = 1;
constexpr std::uint64_t OBSERVE_EOF = 2;
constexpr std::uint64_t TAG_MASK = std::uint64_t{3} << 62;
constexpr std::uint64_t SEEK_REPLY_TAG = std::uint64_t{1} << 62;
constexpr std::uint64_t LOAD_REPLY_TAG = std::uint64_t{2} << 62;
constexpr std::uint64_t INFO_REPLY_TAG = std::uint64_t{3} << 62;

// What is read of an item once it has loaded, in reply order.
enum InfoIndex : std::uint64_t { INFO_DURATION, INFO_VIDEO_TRACK, INFO_FPS, INFO_HEIGHT, INFO_COUNT };
constexpr const char* INFO_NAMES[INFO_COUNT] = {"duration", "vid", "container-fps", "current-tracks/video/demux-h"};
constexpr mpv_format INFO_FORMATS[INFO_COUNT] = {MPV_FORMAT_DOUBLE, MPV_FORMAT_INT64, MPV_FORMAT_DOUBLE,
                                                 MPV_FORMAT_INT64};

constexpr int MAX_RENDER_LINES = 1080;
constexpr int MIN_RENDER_LINES = 90;

void setOption(mpv_handle* mpv, const char* name, const char* value)
{
    const int rc = mpv_set_option_string(mpv, name, value);
    if (rc < 0)
        qWarning("mpv: option %s=%s refused: %s", name, value, mpv_error_string(rc));
}

QByteArray seconds(qint64 ms)
{
    return QByteArray::number(static_cast<double>(ms) / 1000.0, 'f', 3);
}

} // namespace

MpvMediaPlayer::MpvMediaPlayer(const Config& config, QObject* parent)
    : MediaPlayer(parent)
{
    m_mpv = mpv_create();
    if (!m_mpv)
        throw AppError(QStringLiteral("The media player could not be started."));

    setOption(m_mpv, "config", "no");
    setOption(m_mpv, "terminal", "no");
    setOption(m_mpv, "msg-level", "all=warn");
    setOption(m_mpv, "vo", "libmpv");
    setOption(m_mpv, "hwdec", "no");
    setOption(m_mpv, "idle", "yes");
    // A new item starts paused; the clock of the movie view starts it.
    setOption(m_mpv, "pause", "yes");
    // The last frame stays at the end of an item; the end is reported
    // through eof-reached instead of the item being unloaded.
    setOption(m_mpv, "keep-open", "yes");
    setOption(m_mpv, "hr-seek", "yes");
    setOption(m_mpv, "hr-seek-framedrop", "no");
    // The canvases draw a frame as soon as libmpv hands it out (they do not
    // let the renderer wait for its display time), so libmpv must hand it
    // out at its time, not the default 50 ms before: the picture would
    // otherwise run ahead of the clock and the panels.
    setOption(m_mpv, "video-timing-offset", "0");
    // Pictures are stretched to the 16:9 frame of the video surface.
    setOption(m_mpv, "keepaspect", "no");
    setOption(m_mpv, "osd-level", "0");
    setOption(m_mpv, "input-default-bindings", "no");
    setOption(m_mpv, "input-vo-keyboard", "no");
    setOption(m_mpv, "load-scripts", "no");
    setOption(m_mpv, "ytdl", "no");
    setOption(m_mpv, "sub-auto", "no");
    setOption(m_mpv, "audio-display", "no");
    if (config.nullAudio)
        setOption(m_mpv, "ao", "null");

    const int rc = mpv_initialize(m_mpv);
    if (rc < 0) {
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        throw AppError(QStringLiteral("The media player could not be started."));
    }

    // Observed once for the life of the player, whatever it opens.
    mpv_observe_property(m_mpv, OBSERVE_TIME_POS, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, OBSERVE_EOF, "eof-reached", MPV_FORMAT_FLAG);
    mpv_set_wakeup_callback(m_mpv, &MpvMediaPlayer::wakeup, this);
}

MpvMediaPlayer::~MpvMediaPlayer()
{
    if (!m_mpv)
        return;
    // mpv calls the wakeup callback under a lock that this call takes too,
    // so no callback can still be running on another thread afterwards.
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    const auto clients = m_renderClients;
    m_renderClients.clear();
    for (MpvRenderClient* client : clients)
        client->releaseRenderContext();
    mpv_terminate_destroy(m_mpv);
}

void MpvMediaPlayer::wakeup(void* context)
{
    // Any thread of libmpv. Only hand the work to the GUI thread, once per
    // batch of events.
    auto* self = static_cast<MpvMediaPlayer*>(context);
    if (!self->m_drainQueued.exchange(true))
        QMetaObject::invokeMethod(self, &MpvMediaPlayer::drainEvents, Qt::QueuedConnection);
}

void MpvMediaPlayer::drainEvents()
{
    m_drainQueued.store(false);
    // Bounded: libmpv's queue holds a limited number of events.
    for (int i = 0; i < 10000 && m_mpv; ++i) {
        const mpv_event* event = mpv_wait_event(m_mpv, 0);
        if (!event || event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
}

void MpvMediaPlayer::handleEvent(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_START_FILE:
        if (event.data)
            m_startedEntry = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
        break;
    case MPV_EVENT_FILE_LOADED:
        m_loadedEntry = m_startedEntry;
        if (m_status == ItemStatus::Unknown && m_entryId >= 0 && m_loadedEntry == m_entryId)
            requestItemInfo();
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (!end)
            break;
        if (end->reason == MPV_END_FILE_REASON_ERROR) {
            // The reply to loadfile may still be on its way: keep the entry.
            m_failedEntry = end->playlist_entry_id;
            m_failedError = end->error;
            // Also after it was ready: a movie whose decoding or video output
            // breaks down is gone, and saying so beats showing a frozen frame.
            if (end->playlist_entry_id == m_entryId
                && (m_status == ItemStatus::Unknown || m_status == ItemStatus::ReadyToPlay)) {
                m_rate = 0.0;
                m_seeking = false;
                failLoad(end->error);
            }
        } else if (end->reason == MPV_END_FILE_REASON_EOF && end->playlist_entry_id == m_entryId
                   && m_status == ItemStatus::ReadyToPlay && !m_atEnd) {
            m_atEnd = true;
            m_rate = 0.0;
            Q_EMIT reachedEnd();
        }
        break;
    }
    case MPV_EVENT_COMMAND_REPLY:
        if ((event.reply_userdata & TAG_MASK) == SEEK_REPLY_TAG) {
            const std::uint64_t serial = event.reply_userdata & ~TAG_MASK;
            m_seekSerialDone = std::max(m_seekSerialDone, serial);
            // A refused seek restarts nothing: stop waiting for it.
            if (event.error < 0 && serial == m_seekSerial && m_seeking) {
                m_seeking = false;
                Q_EMIT seekFinished();
            }
        }
        else if ((event.reply_userdata & TAG_MASK) == LOAD_REPLY_TAG)
            onLoadReply(event);
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY:
        if ((event.reply_userdata & TAG_MASK) == INFO_REPLY_TAG)
            onInfoReply(event);
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        // A restart after mpv took in the newest seek means its frame is up.
        if (m_seeking && m_seekSerialDone == m_seekSerial) {
            m_seeking = false;
            m_timeMs = m_seekTargetMs;
            Q_EMIT seekFinished();
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* prop = static_cast<const mpv_event_property*>(event.data);
        if (!prop || m_status != ItemStatus::ReadyToPlay)
            break;
        if (event.reply_userdata == OBSERVE_TIME_POS) {
            if (!m_seeking && prop->format == MPV_FORMAT_DOUBLE && prop->data) {
                const double t = *static_cast<const double*>(prop->data);
                if (std::isfinite(t) && t >= 0.0)
                    m_timeMs = static_cast<qint64>(t * 1000.0 + 1e-6);
            }
        } else if (event.reply_userdata == OBSERVE_EOF) {
            const bool eof = prop->format == MPV_FORMAT_FLAG && prop->data
                && *static_cast<const int*>(prop->data) != 0;
            if (eof && !m_atEnd) {
                m_atEnd = true;
                m_rate = 0.0; // keep-open pauses by itself
                Q_EMIT reachedEnd();
            } else if (!eof) {
                m_atEnd = false;
            }
        }
        break;
    }
    default:
        break;
    }
}

void MpvMediaPlayer::onLoadReply(const mpv_event& event)
{
    if ((event.reply_userdata & ~TAG_MASK) != m_openSerial || m_status != ItemStatus::Unknown)
        return;
    if (event.error < 0) {
        failLoad(event.error);
        return;
    }
    const auto* reply = static_cast<const mpv_event_command*>(event.data);
    if (reply && reply->result.format == MPV_FORMAT_NODE_MAP && reply->result.u.list) {
        const mpv_node_list* map = reply->result.u.list;
        for (int i = 0; i < map->num; ++i) {
            if (qstrcmp(map->keys[i], "playlist_entry_id") == 0 && map->values[i].format == MPV_FORMAT_INT64)
                m_entryId = map->values[i].u.int64;
        }
    }
    if (m_entryId < 0) {
        failLoad(MPV_ERROR_LOADING_FAILED);
        return;
    }
    // The file may have failed or loaded before this reply came.
    if (m_failedEntry == m_entryId)
        failLoad(m_failedError);
    else if (m_loadedEntry == m_entryId)
        requestItemInfo();
}

void MpvMediaPlayer::failLoad(int error)
{
    setStatus(ItemStatus::Failed);
    Q_EMIT failed(QString::fromUtf8(mpv_error_string(error)));
}

void MpvMediaPlayer::requestItemInfo()
{
    if (m_infoPending > 0)
        return;
    m_durationMs = -1;
    m_frameRate = 0.0;
    m_hasVideo = false;
    m_videoLines = 0;
    m_infoPending = INFO_COUNT;
    for (std::uint64_t i = 0; i < INFO_COUNT; ++i) {
        const std::uint64_t tag = INFO_REPLY_TAG | (std::uint64_t{m_openSerial} << 3) | i;
        if (mpv_get_property_async(m_mpv, tag, INFO_NAMES[i], INFO_FORMATS[i]) < 0)
            --m_infoPending;
    }
    if (m_infoPending == 0)
        finishLoad();
}

void MpvMediaPlayer::onInfoReply(const mpv_event& event)
{
    const std::uint64_t serial = (event.reply_userdata & ~TAG_MASK) >> 3;
    const std::uint64_t index = event.reply_userdata & 7;
    if (serial != m_openSerial || m_infoPending <= 0 || index >= INFO_COUNT)
        return;
    const auto* prop = static_cast<const mpv_event_property*>(event.data);
    const bool ok = event.error >= 0 && prop && prop->data && prop->format == INFO_FORMATS[index];
    if (ok) {
        switch (index) {
        case INFO_DURATION: {
            const double duration = *static_cast<const double*>(prop->data);
            if (std::isfinite(duration) && duration >= 0.0)
                m_durationMs = static_cast<qint64>(duration * 1000.0 + 1e-6);
            break;
        }
        case INFO_VIDEO_TRACK:
            m_hasVideo = true;
            break;
        case INFO_FPS: {
            const double fps = *static_cast<const double*>(prop->data);
            if (std::isfinite(fps) && fps > 0.0)
                m_frameRate = fps;
            break;
        }
        case INFO_HEIGHT:
            m_videoLines = *static_cast<const std::int64_t*>(prop->data);
            break;
        default:
            break;
        }
    }
    if (--m_infoPending == 0)
        finishLoad();
}

void MpvMediaPlayer::finishLoad()
{
    if (!m_hasVideo)
        m_frameRate = 0.0;
    if (m_hasVideo && m_videoLines > 0) {
        const int lines = static_cast<int>(std::clamp<std::int64_t>(m_videoLines, MIN_RENDER_LINES, MAX_RENDER_LINES));
        m_renderSize = QSize((lines * 16 + 8) / 9, lines);
    } else {
        m_renderSize = QSize(1280, 720);
    }
    m_timeMs = 0;
    m_atEnd = false;
    setStatus(ItemStatus::ReadyToPlay);
    if (m_seekPendingLoad) {
        m_seekPendingLoad = false;
        sendSeek(m_seekTargetMs);
    }
    Q_EMIT readyToPlay();
}

void MpvMediaPlayer::setStatus(ItemStatus status)
{
    if (m_status == status)
        return;
    m_status = status;
    Q_EMIT statusChanged(status);
}

void MpvMediaPlayer::forgetItem(const QString& path)
{
    // Replies and events of the item before are told apart by the serial.
    ++m_openSerial;
    m_path = path;
    m_entryId = -1;
    m_infoPending = 0;
    m_durationMs = -1;
    m_frameRate = 0.0;
    m_timeMs = 0;
    m_atEnd = false;
    m_seeking = false;
    m_seekPendingLoad = false;
}

bool MpvMediaPlayer::open(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return false;

    setRate(0.0);
    const QByteArray file = info.absoluteFilePath().toUtf8();
    mpv_node args[2];
    args[0].format = MPV_FORMAT_STRING;
    args[0].u.string = const_cast<char*>("loadfile");
    args[1].format = MPV_FORMAT_STRING;
    args[1].u.string = const_cast<char*>(file.constData());
    mpv_node_list list{2, args, nullptr};
    mpv_node command;
    command.format = MPV_FORMAT_NODE_ARRAY;
    command.u.list = &list;

    forgetItem(path);
    // Never a synchronous call on this thread: with OpenGL rendering the core
    // may be waiting for this very thread to render.
    const int rc = mpv_command_node_async(m_mpv, LOAD_REPLY_TAG | m_openSerial, &command);
    m_status = ItemStatus::None; // report the change even from Unknown
    setStatus(ItemStatus::Unknown);
    if (rc < 0)
        failLoad(rc);
    return true;
}

void MpvMediaPlayer::close()
{
    setRate(0.0);
    const char* args[] = {"stop", nullptr};
    mpv_command_async(m_mpv, 0, args);
    forgetItem(QString());
    setStatus(ItemStatus::None);
}

void MpvMediaPlayer::setFlagAsync(const char* name, bool value)
{
    int flag = value ? 1 : 0;
    mpv_set_property_async(m_mpv, 0, name, MPV_FORMAT_FLAG, &flag);
}

void MpvMediaPlayer::setDoubleAsync(const char* name, double value)
{
    mpv_set_property_async(m_mpv, 0, name, MPV_FORMAT_DOUBLE, &value);
}

void MpvMediaPlayer::setRate(double rate)
{
    if (!std::isfinite(rate) || rate < 0.0)
        rate = 0.0;
    if (rate > 0.0) {
        setDoubleAsync("speed", rate);
        setFlagAsync("pause", false);
    } else {
        setFlagAsync("pause", true);
    }
    m_rate = rate;
}

void MpvMediaPlayer::seekExact(qint64 ms)
{
    if (ms < 0)
        ms = 0;
    m_seekTargetMs = ms;
    m_timeMs = ms;
    m_atEnd = false;
    if (m_status == ItemStatus::Unknown) {
        // mpv takes no seek while a file is still opening.
        m_seekPendingLoad = true;
        return;
    }
    if (m_status != ItemStatus::ReadyToPlay)
        return;
    sendSeek(ms);
}

void MpvMediaPlayer::sendSeek(qint64 ms)
{
    const QByteArray target = seconds(ms);
    const char* args[] = {"seek", target.constData(), "absolute+exact", nullptr};
    ++m_seekSerial;
    m_seeking = true;
    if (mpv_command_async(m_mpv, SEEK_REPLY_TAG | m_seekSerial, args) < 0)
        m_seeking = false;
}

qint64 MpvMediaPlayer::currentTimeMs() const
{
    if (m_status != ItemStatus::ReadyToPlay && !m_seekPendingLoad)
        return 0;
    return m_seeking || m_seekPendingLoad ? m_seekTargetMs : m_timeMs;
}

void MpvMediaPlayer::setVolume(float volume)
{
    if (!std::isfinite(volume))
        volume = 0.0f;
    m_volume = std::clamp(volume, 0.0f, 1.0f);
    setDoubleAsync("volume", static_cast<double>(m_volume) * 100.0);
}

void MpvMediaPlayer::setMuted(bool muted)
{
    m_muted = muted;
    setFlagAsync("mute", muted);
}

void MpvMediaPlayer::setBrightness(double offset)
{
    if (!std::isfinite(offset))
        offset = 0.0;
    m_brightness = std::clamp(offset, -1.0, 1.0);
    applyBrightness();
}

void MpvMediaPlayer::setBrightnessMethod(BrightnessMethod method)
{
    if (m_brightnessMethod == method)
        return;
    // Take the offset off the old path before putting it on the new one.
    const double offset = m_brightness;
    m_brightness = 0.0;
    applyBrightness();
    m_brightnessMethod = method;
    m_brightness = offset;
    applyBrightness();
}

void MpvMediaPlayer::applyBrightness()
{
    if (m_brightnessMethod == BrightnessMethod::Equalizer) {
        // The equalizer works in percent of the full range.
        auto percent = static_cast<std::int64_t>(std::lround(m_brightness * 100.0));
        mpv_set_property_async(m_mpv, 0, "brightness", MPV_FORMAT_INT64, &percent);
        return;
    }
    // Changing the chain while paused makes mpv filter the shown frame again.
    if (m_brightness == 0.0) {
        if (m_filterInstalled) {
            const char* args[] = {"vf", "remove", "@br", nullptr};
            mpv_command_async(m_mpv, 0, args);
            m_filterInstalled = false;
        }
        return;
    }
    const QByteArray filter = "@br:lavfi-eq=brightness=" + QByteArray::number(m_brightness, 'f', 4);
    if (m_filterInstalled) {
        const char* remove[] = {"vf", "remove", "@br", nullptr};
        mpv_command_async(m_mpv, 0, remove);
    }
    const char* add[] = {"vf", "add", filter.constData(), nullptr};
    mpv_command_async(m_mpv, 0, add);
    m_filterInstalled = true;
}

void MpvMediaPlayer::attachRenderClient(MpvRenderClient* client)
{
    if (client && !m_renderClients.contains(client))
        m_renderClients.append(client);
}

void MpvMediaPlayer::detachRenderClient(MpvRenderClient* client)
{
    m_renderClients.removeAll(client);
}
