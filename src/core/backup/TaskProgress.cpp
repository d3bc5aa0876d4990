#include "core/backup/TaskProgress.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace TaskProgress {

QString comment(TaskMode mode)
{
    switch (mode) {
    case TaskMode::Backup:
        return QCoreApplication::translate("TaskProgressDialog", "Backing up files");
    case TaskMode::Cleanup:
        return QCoreApplication::translate("TaskProgressDialog", "Delete file");
    case TaskMode::Trim:
        return QCoreApplication::translate("TaskProgressDialog", "Trimming video file.");
    }
    return {};
}

QString windowTitle(TaskMode mode)
{
    switch (mode) {
    case TaskMode::Backup:
        return QCoreApplication::translate("TaskProgressDialog", "Back up");
    case TaskMode::Cleanup:
        return QCoreApplication::translate("TaskProgressDialog", "Delete");
    case TaskMode::Trim:
        return QCoreApplication::translate("TaskProgressDialog", "Trim Tool");
    }
    return {};
}

QString elapsedClock(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    // Whole seconds first, so that no part is rounded up past its neighbour.
    const auto whole = static_cast<long long>(std::min(seconds, 3.6e12));
    const long long h = whole / 3600;
    const long long m = (whole - h * 3600) / 60;
    const long long s = whole - h * 3600 - m * 60;
    return QString::asprintf("%02lld:%02lld:%02lld", h, m, s);
}

QString elapsedText(double seconds)
{
    return QCoreApplication::translate("TaskProgressDialog", "elapsed time\uFF1A") + elapsedClock(seconds);
}

QString commentWithDots(const QString& comment, int dotCount)
{
    qsizetype first = 0;
    qsizetype last = comment.size();
    while (first < last && comment.at(first) == u'.')
        ++first;
    while (last > first && comment.at(last - 1) == u'.')
        --last;
    const int dots = std::clamp(dotCount, 0, DOT_CYCLE - 1) + 1;
    return comment.mid(first, last - first) + QString(dots, u'.');
}

int nextDotCount(int dotCount)
{
    return (std::clamp(dotCount, 0, DOT_CYCLE - 1) + 1) % DOT_CYCLE;
}

QString percentText(TaskMode mode, double percent)
{
    if (!std::isfinite(percent)) percent = 0;
    const int whole = static_cast<int>(std::clamp(percent, 0.0, 100.0));
    return QString::number(whole) + (mode == TaskMode::Trim ? QStringLiteral("%") : QStringLiteral("\uFF05"));
}

} // namespace TaskProgress
