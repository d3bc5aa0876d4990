#pragma once

#include "core/settings/SettingInfo.h"

#include <QString>
#include <functional>
#include <optional>

// The camera settings on a card: reading the recorder's SETINF.DAT, and
// writing GROUP.DAT so that a failed or unverifiable write never leaves a
// damaged file on the card and never costs the file that was there before.
namespace CameraSettingsFile {

// SETINF.DAT in the card folder, when it exists and carries the file
// information of the supported format (07 14); nothing otherwise.
std::optional<SettingInfo> readCardSettings(const QString& cardFolder);

enum class SaveOutcome {
    Saved,       // GROUP.DAT holds the image, read back from the medium
    NotWritten,  // the file could not be written whole (or renamed into place)
    NotVerified, // the bytes read back differ from the ones written
};
struct SaveResult {
    SaveOutcome outcome = SaveOutcome::NotWritten;
    // A GROUP.DAT that was there before the save and is still there, unchanged.
    bool earlierFileKept = false;
};

// Writes the settings' GROUP.DAT image to a temporary file beside the
// target, flushes it, reads it back and compares it byte for byte; only a
// verified file takes the name GROUP.DAT (one atomic rename, the folder
// flushed). On any failure the temporary file is removed and whatever was at
// the target stays as it was.
SaveResult saveGroupFile(const SettingInfo& settings, const QString& cardFolder);

// Tests only: called with the temporary file's path after it was flushed and
// before it is read back (to damage it). Empty: none.
void setBeforeVerifyHook(std::function<void(const QString& temporaryPath)> hook);

} // namespace CameraSettingsFile
