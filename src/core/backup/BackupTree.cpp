#include "core/backup/BackupTree.h"

#include "core/backup/BackupCopyJob.h"
#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/IniFile.h"

#include <QFileInfo>
#include <QSet>

void Backup::setAll(int state)
{
    const int value = state == CheckState::Off ? CheckState::Off : CheckState::On;
    trip = value;
    for (auto& child : children) child.chapterItem = value;
}

void Backup::setChapter(std::size_t position, int state)
{
    if (position >= children.size()) return;
    if (state != CheckState::On && state != CheckState::Off) return;
    children[position].chapterItem = state;
    trip = stateFromChildren();
}

int Backup::stateFromChildren() const
{
    std::size_t on = 0;
    for (const auto& child : children)
        if (child.chapterItem == CheckState::On) ++on;
    if (on == 0) return CheckState::Off;
    return on == children.size() ? CheckState::On : CheckState::Mixed;
}

namespace BackupTree {

BackupList makeBackupList(const CardData& card, const std::shared_ptr<ChapterData>& playChapter)
{
    // Chapters inside the play window of any protected record (events and
    // surveillance detections alike), by identity.
    QSet<const ChapterData*> eventChapters;
    for (const auto& record : card.moveProtectList()) {
        const ChapterWindow window = card.eventChapterList(*record);
        if (!window.chapters) continue;
        for (const auto& chapter : *window.chapters) eventChapters.insert(chapter.get());
    }

    BackupList list;
    const TripList trips = card.tripList();
    for (qsizetype t = 0; t < trips.size(); ++t) {
        const ChapterList chapters = trips[t]->chapterDataList();
        if (chapters.isEmpty()) continue;
        Backup row;
        row.idx = int(t);
        row.startingTime = chapters.first()->startTime();
        for (qsizetype c = 0; c < chapters.size(); ++c) {
            const auto& chapter = chapters[c];
            BackupItem item;
            item.idx[0] = int(t);
            item.idx[1] = int(c);
            item.chapterItem = (playChapter && playChapter == chapter) ? CheckState::On : CheckState::Off;
            item.startingTime = chapter->startTime();
            item.dateEvent = eventChapters.contains(chapter.get());
            item.filePath = chapter->_pathMove.isLocalFile() ? chapter->_pathMove.toLocalFile()
                                                             : chapter->_pathMove.toString();
            const QFileInfo info(item.filePath);
            item.fileSize = info.isFile() ? quint64(info.size()) : 0;
            if (item.dateEvent) row.dateEvent = true;
            row.children.push_back(std::move(item));
        }
        row.trip = row.stateFromChildren();
        list.push_back(std::move(row));
    }
    return list;
}

Listing makeListing(const CardData& card, const QString& freeSpaceOf, const std::shared_ptr<ChapterData>& playChapter)
{
    Listing out;
    out.rows = makeBackupList(card, playChapter);
    if (!freeSpaceOf.isEmpty()) out.freeSpace = IOUtil::freeDiskSpace(freeSpaceOf);
    for (const QString& path : BackupCopyJob::managementFilesOf(card.openSourcePath())) {
        const QString name = QFileInfo(path).fileName();
        const qint64 size = QFileInfo(path).size();
        if (name == CommonConst::FILE_NAME_VREC) out.vrecSize = size;
        if (name == CommonConst::FILE_NAME_PRCT) out.prctSize = size;
        if (name == CommonConst::FILE_NAME_ADVP) out.advPrctSize = size;
    }
    return out;
}

void setAll(BackupList& list, int state)
{
    for (auto& row : list) row.setAll(state);
}

int chapterCount(const BackupList& list)
{
    int n = 0;
    for (const auto& row : list) n += int(row.children.size());
    return n;
}

int checkedCount(const BackupList& list)
{
    int n = 0;
    for (const auto& row : list)
        for (const auto& item : row.children)
            if (item.chapterItem == CheckState::On) ++n;
    return n;
}

quint64 checkedBytes(const BackupList& list)
{
    quint64 sum = 0;
    for (const auto& row : list)
        for (const auto& item : row.children)
            if (item.chapterItem == CheckState::On) sum += item.fileSize;
    return sum;
}

bool allChecked(const BackupList& list)
{
    const int checked = checkedCount(list);
    return checked > 0 && checked == chapterCount(list);
}

QStringList checkedFiles(const BackupList& list)
{
    QStringList out;
    for (const auto& row : list)
        for (const auto& item : row.children)
            if (item.chapterItem == CheckState::On) out.append(item.filePath);
    return out;
}

} // namespace BackupTree
