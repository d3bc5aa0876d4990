#pragma once

// Chapters with recordings made in memory, for the driving-display tests.

#include "core/catalog/ChapterData.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimeZone>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace paneltest {

struct FrameValues {
    std::int32_t speed = 0;
    double gx = 0.0;
    double gy = 0.0;
    bool gps = true;
    bool dated = true; // false: a time that did not decode
};

// A recording of durationMs with a frame every frameMs in both channels,
// frame values from the function of the frame's time (ms from the start).
inline std::shared_ptr<VideoInfo> recording(qint64 durationMs, qint64 frameMs,
                                            const std::function<FrameValues(qint64)>& values)
{
    auto info = std::make_shared<VideoInfo>();
    const QDateTime start(QDate(2026, 3, 15), QTime(8, 30), QTimeZone("Australia/Sydney"));
    for (int channel : {0, 1}) {
        FrameList frames;
        for (qint64 t = 0; t <= durationMs; t += frameMs) {
            auto frame = std::make_shared<VideoFrame>();
            frame->_timeStamp = std::uint32_t(5000 + t);
            const FrameValues v = values(t);
            frame->setTime(v.dated ? start.addMSecs(t) : QDateTime());
            frame->speed = v.speed;
            frame->gX = v.gx;
            frame->gY = v.gy;
            frame->gps = v.gps;
            frames.push_back(frame);
        }
        std::int32_t lon = -1, lat = -1;
        info->_cameraFrames[channel] = VideoInfo::buildFrameDictionary(frames, 5000, frameMs, lon, lat);
    }
    info->_timeSpan = quint64(durationMs);
    info->_fileVersion = QStringLiteral("0714");
    info->completeTables();
    return info;
}

// A chapter of no trip whose movie does not exist: its recording is
// whatever a test stores.
inline std::shared_ptr<ChapterData> emptyChapter(int n = 1)
{
    return std::make_shared<ChapterData>(
        QUrl::fromLocalFile(QStringLiteral("/nonexistent/m20260315083000%1.MP4").arg(n, 2, 10, QLatin1Char('0'))));
}

inline std::shared_ptr<ChapterData> chapterOf(std::shared_ptr<VideoInfo> info, int n = 1)
{
    auto chapter = emptyChapter(n);
    chapter->storePicture(std::make_shared<PictureData>(std::move(info)));
    return chapter;
}

// A movie file that blocks whoever opens it for reading (a named pipe with
// no writer), as a card that hangs would. After `holdMs` a helper opens and
// closes its writing end, so a reader that was caught is let go (its read
// then fails) and the test ends instead of hanging.
class BlockingMovie {
public:
    explicit BlockingMovie(int holdMs = 1500)
    {
        m_path = m_dir.filePath(QStringLiteral("m2026031508300099.MP4"));
        m_made = ::mkfifo(QFile::encodeName(m_path).constData(), 0600) == 0;
        m_release = std::thread([this, holdMs] {
            QElapsedTimer held;
            held.start();
            while (!m_stop.load()) {
                if (held.elapsed() >= holdMs) {
                    // Succeeds only while a reader waits on the other end.
                    const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        ::close(fd);
                        m_released.store(true);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~BlockingMovie()
    {
        m_stop.store(true);
        m_release.join();
    }
    bool made() const { return m_made; }
    QUrl url() const { return QUrl::fromLocalFile(m_path); }
    // A reader was caught and had to be let go.
    bool released() const { return m_released.load(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_made = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_released{false};
    std::thread m_release;
};

} // namespace paneltest
