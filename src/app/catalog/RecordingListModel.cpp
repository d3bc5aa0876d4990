#include "app/catalog/RecordingListModel.h"

#include "app/catalog/ListThumbnails.h"

#include <QCoreApplication>

RecordingListModel::RecordingListModel(QObject* parent)
    : QAbstractTableModel(parent), m_thumbnails(new ListThumbnails(THUMBNAIL_SIZE, this))
{
    connect(m_thumbnails, &ListThumbnails::pictureArrived, this, &RecordingListModel::thumbnailArrived);
}

void RecordingListModel::thumbnailArrived(const QString& path)
{
    for (int r = 0; r < m_rows.size(); ++r)
        if (m_rows[r].path == path) {
            const QModelIndex cell = index(r, ImageColumn);
            Q_EMIT dataChanged(cell, cell, {Qt::DecorationRole});
        }
}

void RecordingListModel::setRows(const QList<RecordingList::Record>& rows, int highlighted)
{
    // The same rows with new texts or thumbnails (a worker report): the view
    // keeps its scroll position.
    if (!rows.isEmpty() && rows.size() == m_rows.size()) {
        m_rows = rows;
        m_highlighted = highlighted;
        Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
        return;
    }
    beginResetModel();
    m_rows = rows;
    m_highlighted = highlighted;
    endResetModel();
}

void RecordingListModel::setHighlightedRow(int row)
{
    const int old = m_highlighted;
    m_highlighted = row;
    for (int r : {old, row})
        if (r >= 0 && r < m_rows.size())
            Q_EMIT dataChanged(index(r, 0), index(r, ColumnCount - 1), {HighlightRole});
}

int RecordingListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RecordingListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString RecordingListModel::typeText(RecordingList::RecordType type)
{
    switch (type) {
    case RecordingList::RecordType::Manual:
        return QCoreApplication::translate("VideoListView", "Manual");
    case RecordingList::RecordType::Auto:
        return QCoreApplication::translate("VideoListView", "Auto");
    case RecordingList::RecordType::Always:
        break;
    }
    return QString();
}

QVariant RecordingListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) return {};
    const RecordingList::Record& r = m_rows[index.row()];
    switch (role) {
    case HighlightRole:
        return index.row() == m_highlighted;
    case DateRole:
        return r.dateLine();
    case TimeRole:
        return r.timeLine();
    case TypeRole:
        return typeText(r.recordType);
    case PathRole:
        return r.path;
    case Qt::DisplayRole:
        if (index.column() == InfoColumn) return r.dateTime;
        return {};
    case Qt::DecorationRole:
        if (index.column() == ImageColumn) {
            const QPixmap p = m_thumbnails->picture(r.path);
            if (!p.isNull()) return p;
        }
        return {};
    default:
        return {};
    }
}

QVariant RecordingListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == InfoColumn) return infoTitle;
    return QString();
}
