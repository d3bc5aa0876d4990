#include "core/recording/VideoFrame.h"

#include <QTimeZone>
#include <atomic>
#include <chrono>
#include <mutex>

namespace {

std::mutex g_noneMutex;
std::shared_ptr<Location> g_none;

std::atomic<qint64> g_invalidMSecs{0};
std::atomic<qint64> g_invalidExpiry{0}; // steady-clock ms; 0 = not worked out

qint64 steadyMSecs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::shared_ptr<Location> Location::None()
{
    std::lock_guard lock(g_noneMutex);
    if (!g_none) g_none = std::make_shared<Location>();
    return g_none;
}

void Location::setNone(std::shared_ptr<Location> location)
{
    std::lock_guard lock(g_noneMutex);
    g_none = std::move(location);
}

QDateTime VideoFrame::currentInvalidTime()
{
    const qint64 now = steadyMSecs();
    const qint64 expiry = g_invalidExpiry.load(std::memory_order_acquire);
    if (expiry != 0 && now < expiry)
        return QDateTime::fromMSecsSinceEpoch(g_invalidMSecs.load(std::memory_order_relaxed), QTimeZone::utc());
    const qint64 ms = QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::LocalTime).toMSecsSinceEpoch();
    g_invalidMSecs.store(ms, std::memory_order_relaxed);
    g_invalidExpiry.store(now + 1000, std::memory_order_release);
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
}

void VideoFrame::timeZoneChanged()
{
    g_invalidExpiry.store(0, std::memory_order_release);
}

VideoFrame::VideoFrame()
    : time(CommonConst::DEFAULT_DATE())
    , invalidTime(currentInvalidTime())
{
}

std::shared_ptr<VideoFrame> VideoFrame::copyOf(const VideoFrame& from)
{
    auto c = std::make_shared<VideoFrame>();
    c->camera = from.camera;
    c->frame = from.frame;
    c->gDetected = from.gDetected;
    c->time = from.time;
    c->gX = from.gX;
    c->gY = from.gY;
    c->gZ = from.gZ;
    c->_engineSpeed = from._engineSpeed;
    c->speed = from.speed;
    c->_longitude = from._longitude;
    c->_latitude = from._latitude;
    c->status = from.status;
    c->sw = from.sw;
    c->gps = from.gps;
    c->ex = from.ex;
    c->lacked = from.lacked;
    c->_imageData = from._imageData;
    c->_id = from._id;
    c->_timeStamp = from._timeStamp;
    c->blockNo = from.blockNo;
    return c;
}
