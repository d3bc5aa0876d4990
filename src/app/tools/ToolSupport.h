#pragma once

#include "app/shell/SavePanel.h"
#include "core/tools/DataCaption.h"
#include "core/tools/ToolInfo.h"

#include <QList>
#include <QString>
#include <functional>

class QCheckBox;
class QLabel;
class QWidget;

// Told by the trim and capture tools how they ended; the main window ends
// the tool window's modal run.
class ToolViewDelegate {
public:
    virtual ~ToolViewDelegate() = default;
    // The trim tool: 0 closed or Back, 1 Cancel, 2 trim finished, 3 trim cancelled while running.
    virtual void toolWindowDidClose(int code) = 0;
    // The capture tool: finished or cancelled.
    virtual void toolCallbackOnMain() = 0;
};

// What the trim and capture dialogs share: the four data boxes with their
// heading and note, the stored choices and folders, and the save panel.
namespace ToolSupport {

struct DataChecks {
    QLabel* lblInsert = nullptr;
    QCheckBox* chkDate = nullptr;
    QCheckBox* chkSpeed = nullptr;
    QCheckBox* chkAccel = nullptr;
    QCheckBox* chkPoint = nullptr;
    QLabel* lblNotAdd = nullptr;

    // Made as children of parent, titled; not placed.
    static DataChecks make(QWidget* parent);
    // The dialog's layout: the heading, the boxes in a row, an optional line
    // below them, and at the bottom the note and the dialog's buttons.
    void layOut(QWidget* dialog, QWidget* below, const QList<QWidget*>& buttons) const;
    // A box counts when it is not off (partly on counts).
    CaptionSelection selection() const;
    // Trimmed recording: all off, disabled, the note shown. Otherwise the
    // stored choices and no note.
    void setUp(bool trimmedRecording);
    void setEnabled(bool enabled);
};

// The chapter's recording is itself a trimmed movie (loads its picture data).
bool isTrimmedRecording(const ToolInfo& info);

// Stores the four choices (statics and settings).
void storeSelection(CaptionSelection selection);
// Stores a tool's last folder (the static and its settings key).
void storeFolder(QString& folderStatic, const QString& key, const QString& folder);

// The tools' save panel (SavePanel::ask): starts in folder when it exists,
// else in Documents; files ending in .suffix only. Empty when the user cancels.
QString savePath(QWidget* parent, const QString& title, const QString& folder, const QString& suffix);
// Tests answer the save panel here: (start folder, suffix) to a path or "".
void setSavePanel(SavePanel::Answer panel);

} // namespace ToolSupport
