#include "core/media/AVUtil.h"

#include "core/foundation/CardReads.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>

namespace {

bool runFfmpeg(const QStringList& args, QByteArray* out = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    if (!out) p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")} + args);
    if (!p.waitForFinished(60000)) return false;
    if (out) *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A 3-second 320x180 movie whose first second is white and the rest black.
class AVUtilTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        movie = dir->filePath(QStringLiteral("202401150000_0001.MP4"));
        ASSERT_TRUE(runFfmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                               QStringLiteral("color=c=white:s=320x180:r=28:d=1"), QStringLiteral("-f"),
                               QStringLiteral("lavfi"), QStringLiteral("-i"),
                               QStringLiteral("color=c=gray:s=320x180:r=28:d=2"), QStringLiteral("-filter_complex"),
                               QStringLiteral("[0:v][1:v]concat=n=2:v=1[v]"), QStringLiteral("-map"),
                               QStringLiteral("[v]"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                               QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), movie}));
    }
    static void TearDownTestSuite() { delete dir; }

    // Mean luminance of the rows [from, to) of a JPEG, by ffmpeg's own decoder.
    static double meanLuma(const QString& jpeg, int from, int to, int* height = nullptr)
    {
        QByteArray gray;
        EXPECT_TRUE(runFfmpeg({QStringLiteral("-i"), jpeg, QStringLiteral("-f"), QStringLiteral("rawvideo"),
                               QStringLiteral("-pix_fmt"), QStringLiteral("gray"), QStringLiteral("-")},
                              &gray));
        const int w = 320;
        const int h = int(gray.size() / w);
        if (height) *height = h;
        if (to < 0) to = h + to + 1;
        double sum = 0;
        qint64 n = 0;
        for (int y = qMax(0, from); y < qMin(h, to); ++y)
            for (int x = 0; x < w; ++x, ++n) sum += static_cast<unsigned char>(gray[y * w + x]);
        return n ? sum / n : -1;
    }

    static inline QTemporaryDir* dir = nullptr;
    static inline QString movie;
};

} // namespace

TEST(AVUtilNames, SixDigitsAreTheTimeValueReadAsSecondsOfADay)
{
    EXPECT_EQ(AVUtil::thumbnailFileName(QStringLiteral("/c/190101120000_0001.MP4"), 1),
              QStringLiteral("190101120000_0001_000001.jpeg"));
    EXPECT_EQ(AVUtil::thumbnailFileName(QStringLiteral("/c/x.MP4"), 12000), QStringLiteral("x_032000.jpeg"));
    EXPECT_EQ(AVUtil::thumbnailFileName(QStringLiteral("x.MP4"), 86400 + 61), QStringLiteral("x_000101.jpeg"));
    EXPECT_EQ(AVUtil::thumbnailFileName(QStringLiteral("x.MP4"), -1), QStringLiteral("x_235959.jpeg"));
}

TEST_F(AVUtilTest, MakesAJpegOfThePictureAtTheTime)
{
    const QString folder = dir->filePath(QStringLiteral("THUMB/"));
    const auto first = AVUtil::createThumbnail(movie, 1, folder);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(QFileInfo(*first).fileName(), QStringLiteral("202401150000_0001_000001.jpeg"));
    QFile f(*first);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(2) == QByteArray("\xFF\xD8", 2));
    int h = 0;
    EXPECT_GT(meanLuma(*first, 0, -1, &h), 200);
    EXPECT_EQ(h, 180);

    const auto later = AVUtil::createThumbnail(movie, 2000, folder);
    ASSERT_TRUE(later.has_value());
    EXPECT_LT(meanLuma(*later, 0, -1), 160);
}

TEST_F(AVUtilTest, TimesOutsideTheMovieGiveItsEnds)
{
    const QString folder = dir->filePath(QStringLiteral("ends/"));
    const auto before = AVUtil::createThumbnail(movie, -1499, folder);
    ASSERT_TRUE(before.has_value());
    EXPECT_GT(meanLuma(*before, 0, -1), 200);
    const auto after = AVUtil::createThumbnail(movie, 60000, folder);
    ASSERT_TRUE(after.has_value());
    EXPECT_LT(meanLuma(*after, 0, -1), 160);
}

TEST_F(AVUtilTest, BandedThumbnailHasABlackStripAtTheBottom)
{
    const auto banded = AVUtil::createBandedThumbnail(movie, 1, dir->filePath(QStringLiteral("band")),
                                                      QStringLiteral("cut.jpeg"));
    ASSERT_TRUE(banded.has_value());
    EXPECT_LT(meanLuma(*banded, 176, 180), 40);
    EXPECT_GT(meanLuma(*banded, 0, 170), 200);
}

TEST_F(AVUtilTest, UnreadableMoviesGiveNothing)
{
    const QString folder = dir->filePath(QStringLiteral("bad"));
    EXPECT_FALSE(AVUtil::createThumbnail(dir->filePath(QStringLiteral("missing.MP4")), 1, folder).has_value());
    const QString garbage = dir->filePath(QStringLiteral("garbage.MP4"));
    QFile g(garbage);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(QByteArray(4096, '\x5A'));
    g.close();
    EXPECT_FALSE(AVUtil::createThumbnail(garbage, 1, folder).has_value());
    // A movie cut short after its header still answers without hanging.
    QFile whole(movie);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QString cut = dir->filePath(QStringLiteral("cut.MP4"));
    QFile c(cut);
    ASSERT_TRUE(c.open(QIODevice::WriteOnly));
    c.write(whole.read(whole.size() / 3));
    c.close();
    AVUtil::createThumbnail(cut, 1, folder); // either a picture or nothing, never a crash
}

TEST_F(AVUtilTest, AThreadToldToStopReadingMakesNoPicture)
{
    // A catalogue being disposed does not want the picture its worker is decoding.
    const QString folder = dir->filePath(QStringLiteral("stopped"));
    std::atomic<bool> stop{true};
    {
        const CardReads::StopScope scope(stop);
        EXPECT_FALSE(AVUtil::createThumbnail(movie, 1, folder).has_value());
        EXPECT_FALSE(AVUtil::probe(movie).has_value());
    }
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_TRUE(AVUtil::createThumbnail(movie, 1, folder).has_value());
}
