#pragma once

#include "core/catalog/RecordingList.h"

#include <QAbstractTableModel>
#include <QPixmap>

class ListThumbnails;

// The rows of the list on show as a Qt table: column 0 the thumbnail
// ("image"), column 1 the date, time and type ("info"). A row's thumbnail is
// read off the GUI thread when the row is first drawn; the row is drawn
// again when it arrives.
class RecordingListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ImageColumn = 0, InfoColumn = 1, ColumnCount = 2 };
    enum Role {
        HighlightRole = Qt::UserRole + 1, // bool: the row is drawn selected
        DateRole,
        TimeRole,
        TypeRole, // translated "Manual" / "Auto", or empty
        PathRole, // the thumbnail file
    };
    static constexpr QSize THUMBNAIL_SIZE{128, 72};

    explicit RecordingListModel(QObject* parent = nullptr);

    // Takes new rows and the highlighted row (-1: none).
    void setRows(const QList<RecordingList::Record>& rows, int highlighted);
    // Moves the highlight only.
    void setHighlightedRow(int row);
    int highlightedRow() const { return m_highlighted; }
    const QList<RecordingList::Record>& rows() const { return m_rows; }

    QString infoTitle;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QString typeText(RecordingList::RecordType type);

    ListThumbnails* thumbnails() const { return m_thumbnails; }

private:
    void thumbnailArrived(const QString& path);

    ListThumbnails* m_thumbnails = nullptr; // child
    QList<RecordingList::Record> m_rows;
    int m_highlighted = -1;
};
