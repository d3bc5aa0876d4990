#include "core/recording/VideoInfo.h"
#include "core/tools/AssSubtitle.h"
#include "core/tools/DataCaption.h"
#include "core/tools/FfmpegArguments.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

QStringList L(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* s : items) out << QString::fromUtf8(s);
    return out;
}

VideoFramePtr frame(std::uint32_t movieStamp, std::int32_t speed)
{
    auto f = std::make_shared<VideoFrame>();
    f->_movieTimeStamp = movieStamp;
    f->speed = speed;
    f->setTime(QDateTime(QDate(2026, 3, 14), QTime(21, 30, 0), QTimeZone::utc()));
    return f;
}

} // namespace

TEST(FfmpegArguments, TimeValuesAreExactToTheMillisecond)
{
    EXPECT_EQ(FfmpegArguments::timeValue(90500), "00:01:30.500");
    EXPECT_EQ(FfmpegArguments::timeValue(1001), "00:00:01.001");
    EXPECT_EQ(FfmpegArguments::timeValue(3600000u * 27 + 59999), "27:00:59.999");
    EXPECT_EQ(AssSubtitle::assTime(83456), "00:01:23.45");
}

TEST(FfmpegArguments, TrimListsByteForByte)
{
    const QStringList concat{"-y", "-copyts", "-f", "concat", "-safe", "0", "-i", "/w/chapters.txt"};
    FfmpegArguments::Trim t{"/w/chapters.txt", "/w/cut.mp4", {}, 0, {}};
    EXPECT_EQ(FfmpegArguments::trim(t), concat + L({"-c", "copy", "/w/cut.mp4"}));

    t.start = 5000;
    t.length = 7500;
    EXPECT_EQ(FfmpegArguments::trim(t), concat + L({"-t", "00:00:07.500", "-c", "copy", "/w/cut.mp4"}));

    // A re-encode drops the frames before the start.
    t.assPath = "/w/movinfo.ass";
    EXPECT_EQ(FfmpegArguments::trim(t),
              concat + L({"-ss", "00:00:00.000", "-t", "00:00:07.500", "-preset", "veryfast", "-vf",
                          "ass='filename=/w/movinfo.ass'", "-g", "10", "/w/cut.mp4"}));

    EXPECT_EQ(FfmpegArguments::concatList({{"/c/a b.mp4", 60000}, {"/c/b.mp4", 4321}}, 5000),
              "file '/c/a b.mp4'\ninpoint 5.000\noutpoint 60.000\nfile '/c/b.mp4'\noutpoint 4.321");
}

TEST(FfmpegArguments, PathsCannotBreakOutOfTheirValue)
{
    // Option level: \ ' : = and blanks escaped; graph level: all in quotes,
    // a quote as '\''. A crafted name stays one file name.
    EXPECT_EQ(FfmpegArguments::assFilter("/t/a b:c'd\\e,f[g];h=i.ass"),
              "ass='filename=/t/a\\ b\\:c\\'\\''d\\\\e,f[g];h\\=i.ass'");
    EXPECT_EQ(FfmpegArguments::concatList({{"/w/it's.mp4", 1}}), "file '/w/it'\\''s.mp4'\noutpoint 0.001");
    EXPECT_FALSE(FfmpegArguments::concatList({{"/w/a\nfile /etc/passwd", 1}}).has_value());
}

TEST(DataCaption, EachPartInItsOrderAndUnit)
{
    auto f = frame(0, 62);
    f->gX = 0.1;
    f->gY = 0.075;
    f->_latitude = 1264443;
    f->_longitude = -5443200;
    CaptionSettings kmh;
    CaptionSettings mph;
    mph.speedKmh = false;

    EXPECT_EQ(DataCaption::makeOverlayText(*f, {}, kmh), "");
    EXPECT_EQ(DataCaption::makeOverlayText(*f, {false, true, true, false}, kmh),
              u"\u3000speed\uFF1A62[KM/H]\u3000acceleration\uFF1A0.125[G]");
    f->speed = 100;
    EXPECT_EQ(DataCaption::makeOverlayText(*f, {false, true, false, false}, mph), u"\u3000speed\uFF1A62[MPH]");
    f->speed = 1;
    EXPECT_EQ(DataCaption::makeOverlayText(*f, {false, true, false, false}, mph), u"\u3000speed\uFF1A0[MPH]");
    EXPECT_EQ(DataCaption::makeOverlayText(*f, {false, false, false, true}, kmh),
              u"\u3000latitude\uFF1A35.123417\u3000longitude\uFF1A-151.200000");

    // 21:30 UTC is 08:30 in Sydney in summer time, 07:30 standard; index 7 means Sydney.
    CaptionSettings date;
    date.timeZone = 7;
    EXPECT_EQ(DataCaption::makeOverlayText(*f, {true, false, false, false}, date),
              u" time/date\uFF1A15.03.2026 07:30:00 AM");
    date.summerTime = true;
    date.dateFormat = DateFormatType::DMY24H;
    EXPECT_EQ(DataCaption::makeOverlayText(*f, {true, false, false, false}, date),
              u" time/date\uFF1A15.03.2026 08:30:00");
}

TEST(AssSubtitle, FileTextByteForByte)
{
    // Table 0 gives the order, table 1 the movie times: 0, 100, 100, 250.
    VideoInfo video;
    FrameTable t0;
    FrameTable t1;
    const std::uint32_t stamps[] = {0, 100, 100, 250};
    for (int i = 0; i < 4; ++i) {
        auto f = frame(stamps[i], 10 * (i + 1));
        t0[i * 33] = f;
        t1[i * 33] = f;
    }
    video._cameraFrames[0] = t0;
    video._cameraFrames[1] = t1;
    video.completeTables();

    const CaptionSelection speed{false, true, false, false};
    const auto events = AssSubtitle::events(video, speed, CaptionSettings{});
    ASSERT_EQ(events.size(), 2u);
    const QString text = AssSubtitle::text(640, 360, events);
    const QString expected = QString::fromUtf8(
        "[Script Info]\nScriptType: v4.00+\nCollisions: Normal\nScaledBorderAndShadow: Yes\nPlayResX: 640\n"
        "PlayResY: 360\nTimer: 100.0000\nWrapStyle: 0\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
        "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
        "MarginR, MarginV, Encoding\n"
        "Style: Default,Helvetica,9,&H00f8ffff,&H0000ffff,&H00000000,&H00000000,-1,0,0,0,100,100,0,0.00,1,2,0,1,0,0,"
        "0,128\n\n[Events]\nFormat: Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text\n"
        "Dialogue: 0,00:00:00.00,00:00:00.10,Default,,0000,0000,0000,,\u3000speed\uFF1A20[KM/H]\n"
        "Dialogue: 0,00:00:00.10,00:00:00.25,Default,,0000,0000,0000,,\u3000speed\uFF1A40[KM/H]");
    EXPECT_EQ(text, expected);
    EXPECT_TRUE(AssSubtitle::text(641, 360, {}).contains("Style: Default,Helvetica,24,"));
    // Braces and line breaks in a caption would start an override block or
    // end the event: they become parentheses and blanks.
    EXPECT_TRUE(AssSubtitle::text(640, 360, {{0, 10, QStringLiteral("{\\b1}x\ny\r")}})
                    .endsWith(QStringLiteral(",,(\\b1)x y ")));

    // A piece cut from 120 ms: times count from there, earlier events go.
    const auto shifted = AssSubtitle::events(video, speed, CaptionSettings{}, 120);
    ASSERT_EQ(shifted.size(), 1u);
    EXPECT_EQ(shifted[0].start, 0u);
    EXPECT_EQ(shifted[0].end, 130u);
}
