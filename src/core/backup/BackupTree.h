#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>
#include <vector>

class CardData;
class ChapterData;

// Check-box states as the backup and clean-up dialogs store them.
namespace CheckState {
inline constexpr int Off = 0;
inline constexpr int On = 1;
inline constexpr int Mixed = -1;
} // namespace CheckState

// One chapter row of the backup tree.
struct BackupItem {
    // [trip index in the catalogue's trip list, chapter index in that trip].
    // Shown and kept for reference only: rows are found by object, never by
    // these numbers (a trip without chapters has no row, so positions and
    // indexes drift apart).
    int idx[2] = {0, 0};
    int chapterItem = CheckState::Off; // never Mixed
    QDateTime startingTime;
    bool dateEvent = false; // part of an event recording of the card
    quint64 fileSize = 0;   // 0 when the file cannot be read
    QString filePath;       // local path of the chapter's movie
};

// One trip row with its chapters (in the trip's chapter order).
struct Backup {
    int idx = 0;                  // the trip's index in the catalogue's trip list
    int trip = CheckState::Off;   // On when every child is, Off when none is, else Mixed
    QDateTime startingTime;       // the first chapter's start
    bool dateEvent = false;       // some child is part of an event recording
    std::vector<BackupItem> children;

    // Sets every chapter (and the trip) on or off; Mixed counts as on.
    void setAll(int state);
    // Sets one chapter and brings the trip's state in line.
    void setChapter(std::size_t position, int state);
    // The trip's state as its children make it.
    int stateFromChildren() const;
};

using BackupList = std::vector<Backup>;

// The two-level tree the backup and clean-up dialogs show: a snapshot of the
// catalogue (paths, dates, sizes), holding no reference to it.
namespace BackupTree {

// One row per trip that has chapters, in the catalogue's trip order. The
// chapter row that holds `playChapter` (the very object) starts checked;
// without one nothing does. A chapter covered by the window around any
// event or surveillance record is marked as an event, and so is its trip.
// Reads one file size per chapter.
BackupList makeBackupList(const CardData& card, const std::shared_ptr<ChapterData>& playChapter = nullptr);

// What the backup and clean-up dialogs show of a catalogue: its tree
// (makeBackupList), the sizes of the recorder's management files beside its
// recordings (0 when missing) and the free space at freeSpaceOf (-1 when
// unknown or not asked). Reads the disk once per chapter: for a worker
// thread, not the GUI's.
struct Listing {
    BackupList rows;
    qint64 freeSpace = -1;
    qint64 vrecSize = 0;
    qint64 prctSize = 0;
    qint64 advPrctSize = 0;
};
Listing makeListing(const CardData& card, const QString& freeSpaceOf,
                    const std::shared_ptr<ChapterData>& playChapter = nullptr);

// Every row on or off.
void setAll(BackupList& list, int state);

// Counts and totals over the chapter rows.
int chapterCount(const BackupList& list);
int checkedCount(const BackupList& list);
quint64 checkedBytes(const BackupList& list);
bool allChecked(const BackupList& list); // at least one chapter, and every one checked

// Paths of the checked chapters, in tree order.
QStringList checkedFiles(const BackupList& list);

} // namespace BackupTree
