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

// A card's frames take most of the memory a loaded card holds.
static_assert(sizeof(VideoFrame) <= 112, "a frame keeps to 112 bytes");

namespace {

// The zone the readers make times in. QTimeZone::utc() builds a new zone
// object every time; one is shared here.
const QTimeZone& readersZone()
{
    static const QTimeZone zone = QTimeZone::utc();
    return zone;
}

const QByteArray& noBytes()
{
    static const QByteArray none;
    return none;
}

} // namespace

VideoFrame::VideoFrame() : m_timeMSecs(CommonConst::DEFAULT_DATE().toMSecsSinceEpoch()) {}

QDateTime VideoFrame::time() const
{
    if (!m_timeValid) return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(m_timeMSecs, readersZone());
}

void VideoFrame::setTime(const QDateTime& time)
{
    m_timeValid = time.isValid();
    m_timeMSecs = m_timeValid ? time.toMSecsSinceEpoch() : 0;
}

void VideoFrame::setTimeMSecs(qint64 msecs)
{
    m_timeValid = true;
    m_timeMSecs = msecs;
}

const QByteArray& VideoFrame::imageData() const
{
    return m_image ? *m_image : noBytes();
}

void VideoFrame::setImageData(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        m_image.reset();
    else
        m_image = std::make_unique<const QByteArray>(bytes);
}

void VideoFrame::assign(const VideoFrame& from)
{
    gX = from.gX;
    gY = from.gY;
    gZ = from.gZ;
    ex = from.ex;
    frame = from.frame;
    speed = from.speed;
    _longitude = from._longitude;
    _latitude = from._latitude;
    sw = from.sw;
    _timeStamp = from._timeStamp;
    _movieTimeStamp = from._movieTimeStamp;
    addrs = from.addrs;
    frameSize = from.frameSize;
    pictureChannel = from.pictureChannel;
    blockNo = from.blockNo;
    _posWest = from._posWest;
    _posSouth = from._posSouth;
    _engineSpeed = from._engineSpeed;
    camera = from.camera;
    status = from.status;
    _id = from._id;
    gDetected = from.gDetected;
    gps = from.gps;
    powerDown = from.powerDown;
    lacked = from.lacked;
    _gps2 = from._gps2;
    m_timeValid = from.m_timeValid;
    m_timeMSecs = from.m_timeMSecs;
    setImageData(from.imageData());
}

std::shared_ptr<VideoFrame> VideoFrame::copyOf(const VideoFrame& from)
{
    auto c = std::make_shared<VideoFrame>();
    c->camera = from.camera;
    c->frame = from.frame;
    c->gDetected = from.gDetected;
    c->m_timeValid = from.m_timeValid;
    c->m_timeMSecs = from.m_timeMSecs;
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
    c->setImageData(from.imageData());
    c->_id = from._id;
    c->_timeStamp = from._timeStamp;
    c->blockNo = from.blockNo;
    return c;
}
