#pragma once

#include "core/backup/BackupTree.h"

#include <QAbstractItemModel>

// The backup tree as an item model for the backup and clean-up dialogs:
// trip rows at the top level, their chapters below. Column 0 holds the trip
// rows' check boxes, column 1 the chapter rows', then the start time and
// the event mark. A check box finds its row through the model index, which
// points at the row object itself.
class BackupTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { TripColumn = 0, ChapterColumn, StartTimeColumn, EventColumn, ColumnCount };

    explicit BackupTreeModel(QObject* parent = nullptr);

    void setBackups(BackupList backups);
    const BackupList& backups() const { return m_backups; }

    // Every row on or off.
    void setAllChecks(int state);

    // The row objects behind an index (null when it is not of that kind).
    const Backup* tripAt(const QModelIndex& index) const;
    const BackupItem* chapterAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // A check box changed (by the user or setAllChecks).
    void checksChanged();

private:
    Backup* tripOf(const QModelIndex& index) const;
    void emitRowsChanged(int tripRow);

    BackupList m_backups;
};
