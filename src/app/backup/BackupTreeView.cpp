#include "app/backup/BackupTreeView.h"

#include "core/backup/BackupTreeModel.h"

#include <QHeaderView>

BackupTreeView::BackupTreeView(BackupTreeModel* model, QWidget* parent) : QTreeView(parent)
{
    setModel(model);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
    setColumnWidth(BackupTreeModel::TripColumn, 90);
    setColumnWidth(BackupTreeModel::ChapterColumn, 80);
    setColumnWidth(BackupTreeModel::StartTimeColumn, 210);
    // Row heights of 20 as the dialogs were laid out for.
    setStyleSheet(QStringLiteral("QTreeView::item { height: 20px; }"));
}

void BackupTreeView::expandTripOf(const QString& chapterPath)
{
    auto* tree = static_cast<BackupTreeModel*>(model());
    const BackupList& rows = tree->backups();
    for (int t = 0; t < int(rows.size()); ++t)
        for (const auto& item : rows[std::size_t(t)].children)
            if (item.filePath == chapterPath) {
                expand(tree->index(t, 0));
                return;
            }
}
