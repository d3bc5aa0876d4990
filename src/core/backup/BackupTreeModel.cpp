#include "core/backup/BackupTreeModel.h"

#include "core/foundation/DateFormat.h"

#include <QCoreApplication>

namespace {

Qt::CheckState toQt(int state)
{
    if (state == CheckState::On) return Qt::Checked;
    if (state == CheckState::Mixed) return Qt::PartiallyChecked;
    return Qt::Unchecked;
}

} // namespace

BackupTreeModel::BackupTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void BackupTreeModel::setBackups(BackupList backups)
{
    beginResetModel();
    m_backups = std::move(backups);
    endResetModel();
    Q_EMIT checksChanged();
}

void BackupTreeModel::setAllChecks(int state)
{
    BackupTree::setAll(m_backups, state);
    for (int t = 0; t < int(m_backups.size()); ++t) emitRowsChanged(t);
    Q_EMIT checksChanged();
}

// A chapter row's index points at its trip (so parent() is found without a
// search); a trip row's index points at nothing.
Backup* BackupTreeModel::tripOf(const QModelIndex& index) const
{
    return static_cast<Backup*>(index.internalPointer());
}

const Backup* BackupTreeModel::tripAt(const QModelIndex& index) const
{
    if (!index.isValid() || tripOf(index) != nullptr) return nullptr;
    if (index.row() < 0 || index.row() >= int(m_backups.size())) return nullptr;
    return &m_backups[std::size_t(index.row())];
}

const BackupItem* BackupTreeModel::chapterAt(const QModelIndex& index) const
{
    const Backup* trip = index.isValid() ? tripOf(index) : nullptr;
    if (trip == nullptr || index.row() < 0 || index.row() >= int(trip->children.size())) return nullptr;
    return &trip->children[std::size_t(index.row())];
}

QModelIndex BackupTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount) return {};
    if (!parent.isValid()) {
        if (row >= int(m_backups.size())) return {};
        return createIndex(row, column, nullptr);
    }
    const Backup* trip = tripAt(parent);
    if (trip == nullptr || row >= int(trip->children.size())) return {};
    return createIndex(row, column, const_cast<Backup*>(trip));
}

QModelIndex BackupTreeModel::parent(const QModelIndex& child) const
{
    const Backup* trip = child.isValid() ? tripOf(child) : nullptr;
    if (trip == nullptr) return {};
    const auto row = trip - m_backups.data();
    return createIndex(int(row), 0, nullptr);
}

int BackupTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid()) return int(m_backups.size());
    if (parent.column() != 0) return 0;
    const Backup* trip = tripAt(parent);
    return trip ? int(trip->children.size()) : 0;
}

int BackupTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

QVariant BackupTreeModel::data(const QModelIndex& index, int role) const
{
    const Backup* trip = tripAt(index);
    const BackupItem* chapter = chapterAt(index);
    if (trip == nullptr && chapter == nullptr) return {};
    const QDateTime& start = trip ? trip->startingTime : chapter->startingTime;
    const bool event = trip ? trip->dateEvent : chapter->dateEvent;
    switch (index.column()) {
    case TripColumn:
        if (trip && role == Qt::CheckStateRole) return toQt(trip->trip);
        break;
    case ChapterColumn:
        if (chapter && role == Qt::CheckStateRole) return toQt(chapter->chapterItem);
        break;
    case StartTimeColumn:
        if (role == Qt::DisplayRole) return Date::toViewerString(start, DateFormatTables::dateTimeFormats());
        break;
    case EventColumn:
        if (role == Qt::DisplayRole)
            return event ? QCoreApplication::translate("BackupTreeModel", "Yes") : QString();
        break;
    default:
        break;
    }
    return {};
}

bool BackupTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole) return false;
    const auto state = static_cast<Qt::CheckState>(value.toInt());
    if (index.column() == TripColumn && tripAt(index) != nullptr) {
        // A trip box turned on or to mixed checks every chapter.
        m_backups[std::size_t(index.row())].setAll(state == Qt::Unchecked ? CheckState::Off : CheckState::On);
        emitRowsChanged(index.row());
        Q_EMIT checksChanged();
        return true;
    }
    if (index.column() == ChapterColumn && chapterAt(index) != nullptr) {
        if (state == Qt::PartiallyChecked) return false;
        Backup* trip = tripOf(index);
        trip->setChapter(std::size_t(index.row()), state == Qt::Checked ? CheckState::On : CheckState::Off);
        emitRowsChanged(int(trip - m_backups.data()));
        Q_EMIT checksChanged();
        return true;
    }
    return false;
}

void BackupTreeModel::emitRowsChanged(int tripRow)
{
    const QModelIndex tripIndex = index(tripRow, TripColumn);
    Q_EMIT dataChanged(tripIndex, tripIndex, {Qt::CheckStateRole});
    const int children = rowCount(tripIndex);
    if (children > 0)
        Q_EMIT dataChanged(index(0, ChapterColumn, tripIndex), index(children - 1, ChapterColumn, tripIndex),
                           {Qt::CheckStateRole});
}

Qt::ItemFlags BackupTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if ((index.column() == TripColumn && tripAt(index)) || (index.column() == ChapterColumn && chapterAt(index)))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant BackupTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case TripColumn:
        return QCoreApplication::translate("BackupTreeModel", "Trip");
    case ChapterColumn:
        return QCoreApplication::translate("BackupTreeModel", "Chapter");
    case StartTimeColumn:
        return QCoreApplication::translate("BackupTreeModel", "Start Time");
    case EventColumn:
        return QCoreApplication::translate("BackupTreeModel", "Event");
    default:
        return {};
    }
}
