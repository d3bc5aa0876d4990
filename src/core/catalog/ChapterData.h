#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class PictureData;
class TripData;
class VrecMoveManagerInfo;
class AdvMoveProtectInfo;

// One recorded chapter of a trip: its movie file, the index records that
// describe it, and, once loaded, its picture data and thumbnail. Used from the
// GUI thread and the catalogue's background workers at once: the records and
// paths are fixed at construction, caches are written under the chapter's
// lock (or are atomics), and the picture data is stored once, the first
// stored winning.
class ChapterData {
public:
    // Picture-data loads tried per chapter before it is given up.
    static constexpr int MAX_RETRY_CNT_PICTUREDATA = 5;
    // Thumbnail attempts per chapter before it is given up.
    static constexpr int MAX_RETRY_CNT_THUMBNAIL = 5;

    // A chapter of no trip (a play list made by hand): no index records.
    explicit ChapterData(const QUrl& url);
    // A chapter of a trip: picks its index records out of the trip's catalogue
    // (the last matching record of each index wins).
    ChapterData(const std::shared_ptr<TripData>& parent, const QUrl& url);
    virtual ~ChapterData();
    ChapterData(const ChapterData&) = delete;
    ChapterData& operator=(const ChapterData&) = delete;

    // The owning trip; null for a chapter of no trip, or once the trip is gone
    // (the chapter itself stays usable: it then has no neighbours).
    std::shared_ptr<TripData> parent() const { return _parent.lock(); }

    // The chapters just before and after this one in its trip's chapter list
    // (start-time order); never another trip's.
    std::shared_ptr<ChapterData> previousChapter() const;
    std::shared_ptr<ChapterData> nextChapter() const;

    // The chapter's start: its index record's time, else its recording's first
    // time (loads the picture data); DEFAULT_DATE when neither is known.
    QDateTime startTime() const;
    // The same from what is known without reading: the index record, else
    // the recording's first time if it was loaded; DEFAULT_DATE otherwise.
    QDateTime knownStartTime() const;
    // The same from the adventure record.
    QDateTime startAdvTime() const;
    QDateTime knownStartAdvTime() const;
    // The recorder's clock (ms) at the chapter's start: the index record's
    // stamp, else the recording's first frame stamp; 0 when unknown.
    quint32 timeStamp() const;

    // The chapter's play length in ms, worked out on each read: the distance
    // to the next chapter's stamp when that chapter follows without a gap in
    // numbering and has an index record (and lies after this one), else the
    // recording's own length; the last length worked out when the recording
    // cannot be read.
    qint64 timeSpan() const;
    // The same length from what is known without reading anything: the index
    // records, the recording if it was loaded, else the last length worked
    // out (0 before any). For the GUI thread, which leaves reading to the
    // catalogue's workers and the player.
    qint64 knownTimeSpan() const;
    // The known length comes from the index records alone: reading the
    // recording will not change it.
    bool isTimeSpanFromRecords() const;
    // Counts, over every catalogue, the changes of what known lengths come
    // from (a recording stored, a stamp or a length worked out): lengths
    // taken at one count are still the known ones while it stays.
    static quint64 lengthsEpoch();

    // The chapter's picture data. With create and nothing loaded yet, reads
    // the movie on the calling thread (counting an attempt); when another
    // thread stored one meanwhile, that one is kept. While another thread
    // reads the movie, waits for that read and takes its result (its attempt
    // counts for both); only a read stopped half-way leaves the reading to
    // this call. A recording that cannot
    // be read is not stored: it is tried again on the next call, up to
    // MAX_RETRY_CNT_PICTUREDATA attempts, after which the last failed result
    // is returned without reading. A read stopped half-way (CardReads) is
    // neither stored nor counted. Never throws; the result may carry no video.
    std::shared_ptr<const PictureData> loadPicture(bool create) const;

    // Stores picture data with a recording unless some is stored already;
    // gives what is stored (a result without recording is only remembered as
    // the last failure).
    std::shared_ptr<const PictureData> storePicture(std::shared_ptr<const PictureData> picture) const;

    // Picture data stored for the chapter (null while none was loaded).
    bool hasPicture() const;
    // The picture data stored by any chapter that is still held somewhere,
    // for a caller that means to free it off its own thread.
    static std::vector<std::shared_ptr<const PictureData>> livePictures();
    int retryCntPictureData() const { return _retryCntPictureData.load(); }
    // No picture data yet and attempts left.
    bool needsPictureData() const;

    // The chapter's thumbnail JPEG, empty until one is made.
    QString pathThumbnail() const;
    int retryCntThumbnail() const { return _retryCntThumbnail.load(); }
    // Makes the thumbnail (1 ms into the movie) when create is set and none is
    // made yet; a trimmed movie whose picture data is loaded gets the black
    // caption band and a file of its own. Returns the stored path, if any.
    std::optional<QString> makeCutThumbnail(bool create);
    // Forgets the thumbnail, so that the worker makes it again (a trimmed
    // movie's picture made before its recording was loaded has no caption band).
    void clearPathThumbnail();

    // The sequence number of the movie file (FileUtil::getFileNumber).
    qint32 fileNumber() const { return _fileNumber; }

    // True when number `later` directly follows `earlier` in the recorder's
    // numbering, which wraps from 9999 to 1 (0 counts as following 9999).
    static bool followsFrom(qint32 earlier, qint32 later);

    const QUrl _pathMove;
    const QUrl _pathMp4;
    // The matching index records, fixed at construction (null when none).
    const std::shared_ptr<const VrecMoveManagerInfo> _vmmInfo;
    const std::shared_ptr<const AdvMoveProtectInfo> _advInfo;

private:
    ChapterData(const std::shared_ptr<TripData>& parent, const QUrl& url,
                std::shared_ptr<const VrecMoveManagerInfo> vmm, std::shared_ptr<const AdvMoveProtectInfo> adv);
    qint64 ownTimeSpan() const;
    // Stores under the lock already held.
    std::shared_ptr<const PictureData> storeLocked(std::shared_ptr<const PictureData> picture) const;
    // Keep a stamp or length worked out, counting a change in lengthsEpoch().
    void keepTimeStamp(quint32 stamp) const;
    void keepTimeSpan(qint64 span) const;
    // Ends this thread's read of the movie and lets the waiting threads go.
    std::shared_ptr<const PictureData> endRead(std::shared_ptr<const PictureData> picture, bool stopped) const;
    // The chapter's start stamp when known without reading (0: not known).
    quint32 knownTimeStamp() const;
    // The length the index records tell (the next chapter follows with a
    // record and both stamps are known), if they do.
    std::optional<qint64> recordsTimeSpan() const;
    // A start cached in `cache`, else the record's time, else the loaded
    // recording's first time (reading it when `read` is set).
    QDateTime startFrom(QDateTime& cache, const QDateTime* recordTime, bool read) const;

    friend class TripData;
    const std::weak_ptr<TripData> _parent;
    const qint32 _fileNumber;
    // Where the chapter stands in its trip's list (set by the trip), so that
    // neighbours are found without a search on every play-position update.
    std::atomic<qsizetype> _indexInTrip{-1};

    // Loading on demand is a cache: the chapter looks the same before and after.
    mutable std::mutex _mutex;
    mutable std::shared_ptr<const PictureData> _picture;
    mutable std::shared_ptr<const PictureData> _failedPicture;
    // A thread reads the movie; the others asking wait for its result.
    mutable bool _reading = false;
    mutable bool _lastReadStopped = false;
    mutable std::condition_variable _readEnded;
    mutable QDateTime _startTime;
    mutable QDateTime _startAdvTime;
    mutable std::atomic<quint32> _timeStamp{0};
    mutable std::atomic<qint64> _frameTimeSpan{0};
    mutable std::atomic<int> _retryCntPictureData{0};
    std::atomic<int> _retryCntThumbnail{0};
    QString _pathThumbnail;
};

using ChapterList = QList<std::shared_ptr<ChapterData>>;
