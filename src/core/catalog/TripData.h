#pragma once

#include "core/catalog/ChapterData.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>

class CardData;
class MoveProtectInfo;
class AdvMoveProtectInfo;

// One trip of the catalogue (the chapters of one recording whose file numbers
// follow each other), or one adventure recording. Its chapter list is put in
// start-time order once, when the catalogue's load ends, and is not reordered
// afterwards; the catalogue's clean-up may only empty it.
class TripData : public std::enable_shared_from_this<TripData> {
public:
    // A trip of the catalogue `parent` with one chapter per movie file
    // (ascending file number), in that order until the load sorts it.
    static std::shared_ptr<TripData> create(const std::shared_ptr<CardData>& parent, const QStringList& fileList,
                                            const QString& tripName);
    virtual ~TripData();
    TripData(const TripData&) = delete;
    TripData& operator=(const TripData&) = delete;

    // The catalogue; null once it is gone.
    std::shared_ptr<CardData> parent() const { return _parent.lock(); }

    // The trip key (12 characters), empty for a single movie file opened directly.
    const QString _tripName;

    // The trip being played; set by the main window, read by the workers.
    bool isActive() const { return _isActive.load(); }
    void setActive(bool active) { _isActive.store(active); }

    // The chapters in start-time order (a copy; cheap).
    ChapterList chapterDataList() const;
    qsizetype chapterCount() const;
    std::shared_ptr<ChapterData> firstChapter() const;
    // The list has been put in start-time order (a list of fewer than two
    // chapters never needs it and reads false).
    bool isSort() const { return _isSort.load(); }

    // The chapter of this trip that a record names (same trip key and file
    // number), or null.
    std::shared_ptr<ChapterData> isProtected(const MoveProtectInfo& record) const;
    std::shared_ptr<ChapterData> isAdvProtected(const AdvMoveProtectInfo& record) const;

    // Ascending start time; the chapter order of a trip.
    static bool compareChapterStartTime(const std::shared_ptr<ChapterData>& a, const std::shared_ptr<ChapterData>& b);

    // Empties the chapter list (the catalogue's clean-up, after its workers ended).
    void clearChapters();

private:
    friend class CardData;
    TripData(const std::shared_ptr<CardData>& parent, const QString& tripName);
    // Builds one chapter per movie file (load thread, before the trip is shared).
    void reloadChapters(const QStringList& fileList);
    // Puts the chapters in start-time order (stable) once; called by the load.
    void sortChapters();
    std::shared_ptr<ChapterData> chapterNamed(const QString& fileName) const;
    friend class ChapterData;
    // The chapter `offset` places before (-1) or after (+1) the given one, or null.
    std::shared_ptr<ChapterData> neighbourOf(const ChapterData& chapter, qsizetype offset) const;
    void noteIndexes();

    const std::weak_ptr<CardData> _parent;
    std::atomic<bool> _isActive{false};
    std::atomic<bool> _isSort{false};
    mutable std::mutex _mutex;
    ChapterList _chapterDataList;
};

using TripList = QList<std::shared_ptr<TripData>>;
