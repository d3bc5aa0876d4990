#include "core/tools/AssSubtitle.h"

#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"
#include "core/tools/FfmpegArguments.h"

#include <optional>

namespace AssSubtitle {

int fontSize(int width)
{
    return width <= 640 ? 9 : 24;
}

QString assTime(std::uint32_t ms)
{
    const FfmpegArguments::TimeParts t = FfmpegArguments::timeParts(ms);
    return QString::asprintf("%02u:%02u:%02u.%02u", t.hours, t.minutes, t.seconds, t.millis / 10u);
}

std::vector<Event> events(const VideoInfo& video, CaptionSelection selection, const CaptionSettings& settings,
                          std::uint32_t pieceStart, std::optional<std::uint32_t> pieceEnd)
{
    std::vector<Event> out;
    std::optional<std::uint32_t> previous;
    for (const auto& [key, frame] : PictureData::framePairs(video.getCameraFrames(0))) {
        const std::uint32_t t = video.frameAt(1, key, true)->_movieTimeStamp;
        if (!previous) {
            previous = t;
            continue;
        }
        if (*previous >= t) continue;
        const std::uint32_t from = *previous;
        previous = t;
        if (t <= pieceStart) continue;
        // The times only rise: once an event starts at the piece's end, no
        // later one can show in it. The one across the end keeps its own end.
        if (pieceEnd && from >= *pieceEnd) break;
        out.push_back({from > pieceStart ? from - pieceStart : 0, t - pieceStart,
                       DataCaption::makeOverlayText(*frame, selection, settings)});
    }
    return out;
}

QString text(int width, int height, const std::vector<Event>& events)
{
    QString s = QStringLiteral(
                    "[Script Info]\n"
                    "ScriptType: v4.00+\n"
                    "Collisions: Normal\n"
                    "ScaledBorderAndShadow: Yes\n"
                    "PlayResX: %1\n"
                    "PlayResY: %2\n"
                    "Timer: 100.0000\n"
                    "WrapStyle: 0\n"
                    "\n"
                    "[V4+ Styles]\n"
                    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
                    "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, "
                    "Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
                    "Style: Default,Helvetica,%3,&H00f8ffff,&H0000ffff,&H00000000,&H00000000,-1,0,0,0,100,100,0,"
                    "0.00,1,2,0,1,0,0,0,128\n"
                    "\n"
                    "[Events]\n"
                    "Format: Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text")
                    .arg(width)
                    .arg(height)
                    .arg(fontSize(width));
    for (const Event& e : events) {
        // A caption is one line of our own making; a line break or a brace
        // in it would end the event or start an override block.
        QString caption = e.text;
        caption.replace(u'\n', u' ').replace(u'\r', u' ').replace(u'{', u'(').replace(u'}', u')');
        s += QStringLiteral("\nDialogue: 0,%1,%2,Default,,0000,0000,0000,,%3")
                 .arg(assTime(e.start), assTime(e.end), caption);
    }
    return s;
}

} // namespace AssSubtitle
