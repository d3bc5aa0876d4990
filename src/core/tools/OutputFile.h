#pragma once

#include "core/catalog/ChapterData.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The one way the files the user asks for (a trimmed movie, a still, a
// route for Google Earth) are written: into a new file beside the target
// in the target's folder, held open from the start so that a folder swapped
// for another meanwhile cannot move the write; flushed to the medium; the
// output rule checked again against the sources right before the rename;
// renamed onto the name and the folder flushed. A rename replaces a link at
// the name itself, never what it points to, and the name holds the old file
// or the whole new one. A failed, refused or abandoned write keeps the old
// file and leaves no temporary file.
class OutputFile {
public:
    OutputFile(ChapterList sources, QString target);
    ~OutputFile(); // an unfinished write is discarded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Why target cannot be written at all, before any work is done towards
    // it: the output rule's refusal, or a folder at the name.
    struct Check {
        QString detail;       // for the diagnostics; empty: it may be written
        QString reason;       // for the user: the refusal text, or the system's reason
        bool refused = false; // the output rule refused it
        bool ok() const { return detail.isEmpty(); }
    };
    static Check check(const ChapterList& sources, const QString& target);

    // Checks as above, opens the target's folder and makes the temporary file.
    bool open();
    bool write(QByteArrayView bytes);
    qint64 written() const { return m_written; }
    // Flushes, checks the rule again and renames onto the target.
    bool commit();
    // Gives the write up: the temporary file goes, the target stays as it was.
    void discard();

    // Why the last step failed: for the user (the system's reason, such as a
    // full disk, or the refusal text) and for the diagnostics.
    QString reason() const { return m_failure.reason; }
    QString detail() const { return m_failure.detail; }
    bool refused() const { return m_failure.refused; }

    // A whole file from bytes in memory.
    static Check save(const ChapterList& sources, const QString& target, QByteArrayView bytes);

private:
    bool fail(const char* what, int errorNumber);
    bool refuse(const QString& why);

    ChapterList m_sources;
    QString m_target;
    QByteArray m_name;      // the target's name in its folder
    QByteArray m_temporary; // the temporary file's name in the folder
    int m_folder = -1;
    int m_file = -1;
    qint64 m_written = 0;
    bool m_writeFailed = false;
    Check m_failure;
};
