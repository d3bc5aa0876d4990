#include "core/tools/FfmpegRunner.h"

#include "core/tools/FfmpegArguments.h"

#include <QProcess>
#include <QtGlobal>

namespace {

constexpr int kPollMs = 40;
constexpr int kTerminateGraceMs = 400;
constexpr qsizetype kErrorTailBytes = 4096;

// Takes the complete lines of buffer, leaving a partial last line in it.
QList<QByteArray> takeLines(QByteArray& buffer)
{
    QList<QByteArray> lines;
    qsizetype from = 0;
    for (qsizetype nl = buffer.indexOf('\n'); nl >= 0; nl = buffer.indexOf('\n', from)) {
        lines.append(buffer.mid(from, nl - from).trimmed());
        from = nl + 1;
    }
    buffer.remove(0, from);
    return lines;
}

} // namespace

QString FfmpegRunner::defaultProgram()
{
    const QByteArray env = qgetenv("KR_FFMPEG");
    return env.isEmpty() ? QStringLiteral("ffmpeg") : QString::fromLocal8Bit(env);
}

FfmpegRunner::FfmpegRunner(QString program) : m_program(std::move(program)) {}

FfmpegRunner::Result FfmpegRunner::run(const QStringList& arguments, const TaskCancelFlag& cancel,
                                       const std::function<void(qint64)>& outTimeMs) const
{
    Result result;
    if (arguments.isEmpty() || m_program.isEmpty() || cancel.isCancelled()) {
        if (cancel.isCancelled()) result.outcome = Outcome::Cancelled;
        return result;
    }
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setReadChannel(QProcess::StandardOutput);
    process.start(m_program, FfmpegArguments::runnerOptions() + arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(10000)) {
        result.errorTail = process.errorString();
        return result;
    }

    QByteArray progress;
    QByteArray errors;
    qint64 position = 0;
    const auto drain = [&] {
        progress += process.readAllStandardOutput();
        for (const QByteArray& line : takeLines(progress)) {
            // out_time_us is the position written so far; "N/A" before the first frame.
            if (!line.startsWith("out_time_us=")) continue;
            bool ok = false;
            const qint64 us = line.mid(12).toLongLong(&ok);
            if (ok && us >= 0) position = us / 1000;
        }
        errors += process.readAllStandardError();
        if (errors.size() > kErrorTailBytes) errors.remove(0, errors.size() - kErrorTailBytes);
        if (outTimeMs) outTimeMs(position);
    };

    bool cancelled = false;
    while (process.state() != QProcess::NotRunning) {
        if (cancel.isCancelled()) {
            cancelled = true;
            process.terminate();
            if (!process.waitForFinished(kTerminateGraceMs)) {
                process.kill();
                process.waitForFinished(2000);
            }
            break;
        }
        process.waitForReadyRead(kPollMs);
        drain();
    }
    drain();
    result.errorTail = QString::fromLocal8Bit(errors).trimmed();
    result.exitCode = process.exitCode();
    if (cancelled)
        result.outcome = Outcome::Cancelled;
    else if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        result.outcome = Outcome::Succeeded;
    else
        result.outcome = Outcome::Failed;
    return result;
}
