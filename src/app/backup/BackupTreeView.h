#pragma once

#include <QTreeView>

class BackupTreeModel;

// The trip / chapter tree of the backup and clean-up dialogs: check boxes
// in the first two columns, then the start time and the event mark.
class BackupTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit BackupTreeView(BackupTreeModel* model, QWidget* parent = nullptr);

    // Opens the trip row that holds the chapter file (nothing when none does).
    void expandTripOf(const QString& chapterPath);
};
