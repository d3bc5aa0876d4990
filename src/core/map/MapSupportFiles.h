#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Files the map reads or writes outside the page: the version note and the
// Google Earth program.
namespace MapSupportFiles {

// The folder of the version note: "KorveltaReplay" in the user's data folder.
QString versionNoteFolder();

// Writes "mv.txt" anew in the folder (made when missing): the moment in the
// user's long date and time format, the application's version and the map
// library's. False when it could not be written (said on the console).
bool writeVersionNote(const QString& folder, const QDateTime& now, const QString& appVersion,
                      const QString& mapVersion);

// The Google Earth program: google-earth, else google-earth-pro, each on the
// PATH or as the program its desktop entry starts; none when not installed.
std::optional<QString> findGoogleEarth();

} // namespace MapSupportFiles
