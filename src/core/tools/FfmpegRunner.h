#pragma once

#include "core/backup/TaskProgress.h"

#include <QString>
#include <QStringList>
#include <functional>

// Runs the ffmpeg program as a child process, blocking the calling thread
// (the trim job's worker): arguments as a list, never through a shell;
// standard input from the null device; progress read from standard output
// and the last lines of standard error kept for the diagnostics, so neither
// is ever left as an unread pipe. The run succeeded only when ffmpeg exited
// normally with status 0. A cancel request ends the program within half a
// second (terminate, then kill).
class FfmpegRunner {
public:
    // The program: $KR_FFMPEG when set, else "ffmpeg" from the PATH.
    static QString defaultProgram();

    explicit FfmpegRunner(QString program = defaultProgram());

    enum class Outcome { Succeeded, Failed, Cancelled, NotStarted };
    struct Result {
        Outcome outcome = Outcome::NotStarted;
        int exitCode = -1;
        QString errorTail; // the last lines ffmpeg wrote to standard error
        bool ok() const { return outcome == Outcome::Succeeded; }
    };

    // outTimeMs receives the output position ffmpeg last reported (0 before
    // its first report), every few hundredths of a second while it runs, so
    // a caller can show that the work goes on even while the position stands.
    // An empty list starts nothing.
    Result run(const QStringList& arguments, const TaskCancelFlag& cancel,
               const std::function<void(qint64 outTimeMs)>& outTimeMs = {}) const;

    const QString& program() const { return m_program; }

private:
    QString m_program;
};
