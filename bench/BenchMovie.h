#pragma once

// The benchmarks' 1080p movie: a test picture at 28 frames a second,
// written by the ffmpeg program, and the main program around it.

#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <clocale>
#include <functional>

namespace benchmovie {

// Writes the movie; false when ffmpeg failed.
inline bool writeHdMovie(const QString& path, int seconds)
{
    QProcess ffmpeg;
    ffmpeg.setStandardOutputFile(QProcess::nullDevice());
    ffmpeg.setStandardErrorFile(QProcess::nullDevice());
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("testsrc=size=1920x1080:rate=28"), QStringLiteral("-t"), QString::number(seconds),
                  QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
                  QStringLiteral("yuv420p"), path});
    return ffmpeg.waitForFinished(300000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// The main program of a benchmark of widgets over a movie: an application
// with its own settings (offscreen unless onDisplay and a display is there),
// the movie written by write to a temporary folder (its path into movie),
// then the benchmarks.
inline int runBenchmarks(int argc, char** argv, QString& movie, const std::function<bool(const QString&)>& write,
                         bool onDisplay = false)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && (!onDisplay || qEnvironmentVariableIsEmpty("DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // libmpv reads numbers in the C locale only.
    std::setlocale(LC_NUMERIC, "C");
    QTemporaryDir dir;
    // A settings file of its own, marked as past the first launch, so no
    // first-launch dialog waits for an answer and the user's own settings
    // stay untouched.
    SettingsStore::useFile(dir.filePath(QStringLiteral("settings.ini")));
    SettingsStore::open()->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
    UserDefaultUtil::resetToInitialValues();
    movie = dir.filePath(QStringLiteral("hd.MP4"));
    if (!write(movie)) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The same over the 1080p test picture of the given length.
inline int runBenchmarks(int argc, char** argv, int seconds, QString& movie)
{
    return runBenchmarks(argc, argv, movie, [seconds](const QString& path) { return writeHdMovie(path, seconds); });
}

} // namespace benchmovie
