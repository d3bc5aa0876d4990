#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// The argument lists the trim job hands to the ffmpeg program (never through
// a shell), and the text of the files those lists name.
namespace FfmpegArguments {

// Hours, minutes, seconds and milliseconds of a count of milliseconds.
struct TimeParts {
    std::uint32_t hours = 0;
    std::uint32_t minutes = 0;
    std::uint32_t seconds = 0;
    std::uint32_t millis = 0;
};
TimeParts timeParts(std::uint32_t ms);

// "hh:mm:ss.mmm", the form of the -ss and -t values: 90500 gives 00:01:30.500.
QString timeValue(std::uint32_t ms);

// The -vf value that burns the ASS file at path into the picture. The path is
// escaped for both levels of ffmpeg's filter syntax (the option value and the
// filter graph), so no character of it can end the value or start another
// option or filter.
QString assFilter(const QString& assPath);

// One chapter's movie in the list the trim reads: the file and the length
// of its picture (the file is cut there, and the next one follows on).
struct Chapter {
    QString path;
    std::uint32_t lengthMs = 0;
};
// The concat demuxer's list joining the chapters in order, each path quoted,
// the first one read from start (ms). Nothing when a path holds a line break
// (the list format cannot write one).
std::optional<QString> concatList(const std::vector<Chapter>& chapters, std::uint32_t start = 0);

// The whole trim in one run over the joined chapters of a list made with the
// same start, for length ms. The demuxer seeks to the key frame before the
// start; the time stamps are kept, so the frames before it run below 0: a
// stream copy keeps them hidden behind the movie's edit list, a re-encode
// drops them, and the picture starts exactly there either way. With an ASS
// file (times from the start) the picture is re-encoded with the subtitles
// burnt in; without one the streams are copied.
struct Trim {
    QString listPath;
    QString output;
    QString assPath; // empty: no subtitles
    std::uint32_t start = 0;
    std::optional<std::uint32_t> length;
};
QStringList trim(const Trim& t);

// What the runner puts before every list: no banner, no reading of the
// terminal, errors only, and machine-readable progress on standard output
// four times a second.
QStringList runnerOptions();

} // namespace FfmpegArguments
