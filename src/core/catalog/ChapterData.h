#pragma once

#include <QList>
#include <QUrl>
#include <atomic>
#include <memory>
#include <mutex>

class PictureData;

// One recorded chapter of a trip: its movie file and, once loaded, its
// picture data. Used from the GUI thread and the background workers at once.
class ChapterData {
public:
    explicit ChapterData(const QUrl& url);
    virtual ~ChapterData() = default;
    ChapterData(const ChapterData&) = delete;
    ChapterData& operator=(const ChapterData&) = delete;

    // The chapter's play length in ms, worked out on each read; the last
    // length worked out when the recording cannot be read.
    qint64 timeSpan() const;

    // The chapter's picture data. With create and nothing loaded yet, reads
    // the movie on the calling thread; when another thread stored one
    // meanwhile, that one is kept. Never throws; the result may carry no video.
    std::shared_ptr<const PictureData> loadPicture(bool create) const;

    // Stores picture data unless some is stored already; gives what is stored.
    std::shared_ptr<const PictureData> storePicture(std::shared_ptr<const PictureData> picture) const;

    int retryCntPictureData() const { return _retryCntPictureData.load(); }

    const QUrl _pathMove;
    const QUrl _pathMp4;

private:
    // Loading on demand is a cache: the chapter looks the same before and after.
    mutable std::mutex _pictureMutex;
    mutable std::shared_ptr<const PictureData> _picture;
    mutable std::atomic<qint64> _frameTimeSpan{0};
    mutable std::atomic<int> _retryCntPictureData{0};
};

using ChapterList = QList<std::shared_ptr<ChapterData>>;
