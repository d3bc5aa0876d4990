#pragma once

#include "core/catalog/ChapterData.h"
#include "core/catalog/TripData.h"
#include "core/foundation/CardReads.h"
#include "core/recording/AdvMoveProtectInfo.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/VrecMoveManagerInfo.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QObject;
class CardData;

// What the catalogue's background workers report, one finished chapter at a
// time. Called on the thread of the context object given with the delegate
// (the GUI thread), never after the catalogue was disposed.
class CardDataDelegate {
public:
    virtual ~CardDataDelegate() = default;
    // A picture-data step loaded the chapter's recording (its route can be drawn).
    virtual void tripRouteDidLoad(const std::shared_ptr<ChapterData>& chapter) = 0;
    // A thumbnail step made the chapter's (or its event's) picture.
    virtual void chapterPicturesDidLoad(const std::shared_ptr<ChapterData>& chapter) = 0;
};

using MoveProtectList = QList<std::shared_ptr<MoveProtectInfo>>;
using AdvMoveProtectList = QList<std::shared_ptr<AdvMoveProtectInfo>>;
using VrecList = QList<std::shared_ptr<const VrecMoveManagerInfo>>;

// The play list around a protected or adventure recording.
struct ChapterWindow {
    // Null when the record has no chapter on the card (nothing to play).
    std::optional<ChapterList> chapters;
    // The recording's moment, in ms from the start of the first chapter
    // (-1 for an adventure recording).
    qint64 eventValue = 0;
    // The play range, on the same scale.
    qint64 minValue = 0;
    qint64 maxValue = 0;
};

// The catalogue of one opened source (a card's movie folder, a backup folder
// or a single movie file): its trips, adventure trips and index records, and
// the two background workers that load picture data and make thumbnails.
//
// Life: create(), readCardData() once on any one thread (the catalogue is not
// shared yet), then, on the GUI thread, setDelegate(), startLoadThreads() and
// finally dispose(). After the load the lists, the trips' chapter lists and
// the records' chapters and play windows are fixed; only dispose() empties
// them, once the workers have stopped. A disposed catalogue stays disposed.
class CardData : public std::enable_shared_from_this<CardData> {
public:
    enum class ActiveType { MovieRec, EventRec, AdventureRec };

    static constexpr int THREADED_SLEEP_MSEC = 1000;
    static constexpr int MAX_RETRY_CNT_PICTUREDATA = ChapterData::MAX_RETRY_CNT_PICTUREDATA;
    static constexpr int MAX_RETRY_CNT_THUMBNAIL = ChapterData::MAX_RETRY_CNT_THUMBNAIL;
    static constexpr qint64 EVENT_TIME_BEFORE = 12000;
    static constexpr qint64 EVENT_TIME_AFTER = 8000;
    static constexpr qint64 SURVEILLANCE_TIME_AFTER = 60000;

    static std::shared_ptr<CardData> create();
    // Stops and joins the workers when they still run.
    virtual ~CardData();
    CardData(const CardData&) = delete;
    CardData& operator=(const CardData&) = delete;

    // ---- reading (load thread; once per catalogue) ----

    // Reads a card or backup folder (or the folder of one of its index files),
    // or one single movie file, into the lists. Never throws. Does nothing on
    // a catalogue that was read or disposed before; stops early (and leaves
    // the catalogue empty) when it is disposed meanwhile.
    void readCardData(const QString& path);
    void readCardData(const QUrl& url);

    // The index-file loops; false when the file cannot be read.
    bool readVrecMoveManager(const QString& path);
    bool readMoveProtect(const QString& path, MoveProtectInfo::DetectStatus kind);
    bool readAdvMoveProtect(const QString& path);

    // ---- the catalogue (any thread after the load) ----

    TripList tripList() const;        // every trip, ascending first-chapter start
    TripList tripListTab() const;     // the Trip tab: trips without surveillance chapters
    TripList advTripList() const;     // adventure recordings
    MoveProtectList moveProtectList() const;       // events and surveillance, ascending time
    VrecList vrecList() const;                     // VREC_MOV_MNG.DAT in file order
    AdvMoveProtectList advMoveProtectList() const; // ADV_PRCT.DAT, ascending time
    QString openSourcePath() const;

    ActiveType activeType() const { return _activeType.load(); }
    void setActiveType(ActiveType type) { _activeType.store(type); }
    bool isDisposed() const { return _isDispose.load(); }
    // The workers were started and have not ended yet.
    bool workersRunning() const;

    // The chapter that holds a record, or null.
    std::shared_ptr<ChapterData> eventChapter(const MoveProtectInfo& record) const;
    std::shared_ptr<ChapterData> advChapter(const AdvMoveProtectInfo& record) const;
    // Play windows: 12 s before to 8 s after an event; a surveillance
    // detection to 60 s after it; an adventure recording's whole run of
    // consecutively numbered records. No chapters only when the record has
    // no chapter on the card; a record stamped outside its chapters' data
    // keeps its chapters, with its range and mark held inside them.
    ChapterWindow eventChapterList(const MoveProtectInfo& record) const;
    ChapterWindow surveillanceChapterList(const MoveProtectInfo& record) const;
    ChapterWindow advChapterLookup(const AdvMoveProtectInfo& record) const;
    // The window a caller plays for a protected record (surveillance or event).
    ChapterWindow protectChapterList(const MoveProtectInfo& record) const;

    // Trip order: ascending by trip key (plain character order).
    static bool compareTripName(const std::shared_ptr<TripData>& a, const std::shared_ptr<TripData>& b);
    // File order within a trip: ascending file number.
    static bool compareFileNumber(const QString& a, const QString& b);

    // ---- thumbnails ----

    // The record's thumbnail; with create, makes one when none is made yet.
    std::optional<QString> makeEventThumbnail(bool create, MoveProtectInfo& record);
    std::optional<QString> makeSurveillanceThumbnail(bool create, MoveProtectInfo& record);
    // One attempt at a record's thumbnail; true when this call made it.
    bool makeProtectThumbnail(MoveProtectInfo& record);

    // ---- background workers (GUI thread) ----

    // Where the workers' results go: delegate calls queued to the context
    // object's thread; dropped when the context is gone or the catalogue was
    // disposed. The delegate must live as long as the context.
    void setDelegate(CardDataDelegate* delegate, QObject* context);

    // Starts the picture-data and thumbnail workers (once; not on a disposed catalogue).
    void startLoadThreads();
    // Stops the workers and empties the catalogue; never called from a
    // worker. Returns at once: the workers are woken, their reads of the
    // card stop (CardReads) and their results are dropped from now on, while
    // a disposal thread, holding the catalogue, waits for the read or decode
    // in hand and then empties the lists. Without running workers the lists
    // are emptied at once, or, while readCardData() runs on another thread,
    // by the read, which stops at its next step.
    void dispose();
    // While alive, the calling thread's reads of recordings stop once the
    // catalogue is disposed (a job that reads for the catalogue holds one).
    CardReads::StopScope stopReadsOnDispose() const { return CardReads::StopScope(_isDispose); }
    // Waits until every disposal has ended. The application calls it before
    // its QApplication goes (a running thread at exit ends the process).
    static void waitForDisposals();
    // Lets go of the given references on a disposal thread (joined as the
    // disposals are): the last reference to an hour's picture data takes a
    // tenth of a second to free. Nothing given may touch a widget as it goes.
    static void releaseOffThread(std::vector<std::shared_ptr<const PictureData>> held);

    // One worker step each: the chapter finished, or null when nothing is left to do.
    std::shared_ptr<ChapterData> loadNextPictureData();
    std::shared_ptr<ChapterData> makeNextThumbnail();

    // Index records by trip key and file number (the last record of a name wins).
    std::shared_ptr<const VrecMoveManagerInfo> vrecRecordFor(const QString& tripKey, qint32 fileNumber) const;
    std::shared_ptr<const AdvMoveProtectInfo> advRecordFor(const QString& tripKey, qint32 fileNumber) const;

    // Bytes read from the index files by readCardData (the movies are not read).
    qint64 indexBytesRead() const { return _indexBytesRead; }

    // The thumbnail folder of this process (under the private temporary
    // folder); created on demand, when the folders that ended runs left
    // behind start to be removed in the background.
    static const QString& thumbnailFolder();
    // Removes the thumbnail folder; the application calls it when it ends.
    // What a slow disk leaves after the budget (END_REMOVAL_MSEC) goes with
    // the next run: the end is not held up by thousands of files.
    static constexpr int END_REMOVAL_MSEC = 50;
    static void removeThumbnailFolder();
    static void removeThumbnailFolder(std::chrono::milliseconds budget);
    // Removes, until stop is set, the thumbnail folders of runs that ended
    // without removing theirs (or of processes no longer running).
    static void removeLeftThumbnailFolders(const std::atomic<bool>& stop);

private:
    CardData();
    using Step = std::shared_ptr<ChapterData> (CardData::*)();
    enum class Report { TripRoute, ChapterPictures };

    void readSource(const QString& path);
    void finishLoad();
    std::shared_ptr<ChapterData> searchChapter(const QString& fileName, bool adventure) const;
    ChapterWindow computeEventWindow(const MoveProtectInfo& record) const;
    ChapterWindow computeSurveillanceWindow(const MoveProtectInfo& record) const;
    ChapterWindow computeAdvWindow(const AdvMoveProtectInfo& record) const;
    std::optional<QString> makeProtectThumbnailFile(bool create, MoveProtectInfo& record);
    CardDataDelegate* delegate() const;
    TripList tripsNamed(const QString& key) const;
    enum WindowKind { EventWindow = 0, SurveillanceWindow = 1, AdventureWindow = 2 };
    std::optional<ChapterWindow> storedWindow(const void* record, int kind) const;
    std::shared_ptr<ChapterData> tryPicture(const std::shared_ptr<ChapterData>& chapter);
    std::shared_ptr<ChapterData> tryThumbnail(const std::shared_ptr<ChapterData>& chapter);
    void workerLoop(Step step, Report report, int niceness);
    void post(const std::shared_ptr<ChapterData>& chapter, Report report);
    friend class CardDataRelay;
    void deliverResults();
    std::vector<std::thread> takeWorkers();
    void stopWorkers();
    void clearLists();
    static void releaseRecordChapters(const AdvMoveProtectList& records);
    // A copy of one of the lists below, taken under their lock.
    template <typename T>
    T lockedCopy(const T& member) const
    {
        std::lock_guard lock(_listMutex);
        return member;
    }

    std::atomic<ActiveType> _activeType{ActiveType::MovieRec};
    std::atomic<bool> _isDispose{false};
    std::atomic<bool> _isRead{false};
    std::atomic<bool> _isReading{false};
    std::atomic<bool> _started{false};
    std::atomic<int> _liveWorkers{0};

    // Written by the load before the catalogue is shared, emptied by dispose
    // after the workers ended; read-only in between.
    mutable std::mutex _listMutex;
    TripList _tripList;
    TripList _tripList_tab;
    TripList _advTripList;
    MoveProtectList _moveProtectList;
    VrecList _vrecList;
    AdvMoveProtectList _advMoveProtectList;
    QString _openSourcePath;
    QHash<QString, std::shared_ptr<const VrecMoveManagerInfo>> _vrecByName;
    QHash<QString, std::shared_ptr<const AdvMoveProtectInfo>> _advByName;
    QHash<QString, TripList> _tripsByName;
    mutable std::map<std::pair<const void*, int>, ChapterWindow> _windows;
    qint64 _indexBytesRead = 0;

    mutable std::mutex _delegateMutex;
    CardDataDelegate* _delegate = nullptr;
    QPointer<QObject> _context;
    // Lives on the context's thread as long as the catalogue, so that the
    // workers always post to a living object.
    QObject* _relay = nullptr;
    // Finished chapters waiting for the context's thread; the workers only
    // queue them and send the relay a wake-up event.
    std::mutex _resultMutex;
    std::vector<std::pair<std::shared_ptr<ChapterData>, int>> _results;

    // A record's thumbnail path is stored once: check and store together.
    std::mutex _thumbMutex;

    std::mutex _wakeMutex;
    std::condition_variable _wake;
    std::thread _pictureWorker;
    std::thread _thumbnailWorker;
};
