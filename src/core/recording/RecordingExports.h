#pragma once

#include <QByteArray>
#include <QString>

// The picture and sound bytes that the data-file and event-file readers copy
// out of the last recording they read. Each read writes into a folder of its
// own under the private temporary folder, so readers running at the same
// time, and other running copies of the application, never write into each
// other's files. Publishing a read's folder removes the folder it replaces;
// the last one is removed when the application object goes. Safe from any
// thread.
class RecordingExports {
public:
    RecordingExports() = delete;

    // A new, empty folder (ending in "/") of its own, or the empty text when
    // none could be made.
    static QString newFolder();
    // Makes the folder the current export and removes the previous one.
    static void publish(const QString& folder);
    // Removes the current export. Runs when the application object goes
    // (nothing reads the exports back, so none has to outlive it); a program
    // without one calls it itself.
    static void removeCurrent();
    // The folder published last (empty when none).
    static QString current();
    // Writes the bytes so that the path holds either the whole of them or
    // nothing; false on failure.
    static bool writeFile(const QString& path, const QByteArray& bytes);
};
