#pragma once

#include <QString>

#include <functional>

// Between the clean-up dialog, the backup-folder chooser that opened it and
// the main window.
class CleanupDelegate {
public:
    virtual ~CleanupDelegate() = default;
    // A delete job has ended.
    virtual void cleanupDidUpdateFolders() = 0;
    // Open the data source at this path again after a delete.
    virtual void reopenData(const QString& path) = 0;
    // May the data open in the main window be closed?
    virtual bool canCloseOpenData() = 0;
    // The source the main window has open now, or is loading; empty when
    // none. Asked again at every Delete: a load may have started or ended
    // since the dialog opened.
    virtual QString openDataPath() = 0;
    // Close it before files under it are deleted: the display lets go of it
    // at once; whenClosed runs on the GUI thread once the catalogue's workers
    // and a load still reading it have ended (at once when none runs). The
    // GUI thread never waits for them meanwhile.
    virtual void closeOpenData(std::function<void()> whenClosed) = 0;
};
