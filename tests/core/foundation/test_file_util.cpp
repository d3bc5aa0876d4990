#include "core/foundation/CommonConst.h"
#include "core/foundation/FileUtil.h"
#include "core/foundation/Regex.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}
QStringList names(const QStringList& paths, const QString& root)
{
    QStringList out;
    for (const QString& p : paths) out << QDir(root).relativeFilePath(p);
    return out;
}
} // namespace

TEST(FileUtil, CombinePathAddsOneSlashOnlyWhenMissing)
{
    EXPECT_EQ(FileUtil::combinePath(QStringLiteral("a/"), QStringLiteral("b")), QStringLiteral("a/b"));
    EXPECT_EQ(FileUtil::combinePath(QStringLiteral("a"), {QStringLiteral("b"), QStringLiteral("c")}),
              QStringLiteral("a/b/c"));
    EXPECT_EQ(FileUtil::combinePath(QStringLiteral("a/"), QStringLiteral("/b")), QStringLiteral("a//b"));
}

TEST(FileUtil, FileNumbers)
{
    EXPECT_EQ(FileUtil::getFileNumber(QStringLiteral("m2024031517080912.MP4")), 912);
    EXPECT_EQ(FileUtil::getFileNumber(QStringLiteral("/card/MOVE001/202403151708_0001.MP4")), 1);
    EXPECT_EQ(FileUtil::getFileNumber(QStringLiteral("abc.MP4")), 0);
    EXPECT_EQ(FileUtil::getFileNumber(QStringLiteral("m20240315170809AB.MP4")), 0);
    EXPECT_EQ(FileUtil::getFileNumber(QStringLiteral("1234.MP4")), 1234);
    EXPECT_EQ(FileUtil::getFileNumber(QStringLiteral("x12.5.MP4")), 0);
}

TEST(FileUtil, MovieFileNamesGiveTheirTimeKey)
{
    EXPECT_EQ(FileUtil::isMovieFileName(QStringLiteral("m2024031517080912.MP4")), QStringLiteral("202403151708"));
    EXPECT_EQ(FileUtil::isMovieFileName(QStringLiteral("202403151708_0001.mp4")), QStringLiteral("202403151708"));
    EXPECT_EQ(FileUtil::isMovieFileName(QStringLiteral("2024031517080912")), QStringLiteral("202403151708"));
    EXPECT_EQ(FileUtil::isMovieFileName(QStringLiteral("M2024031517080912.mp4")), QStringLiteral("202403151708"));
    EXPECT_EQ(FileUtil::isMovieFileName(QStringLiteral("readme.txt")), QString());
    // Only a whole name is a movie name: leftovers beside a movie are not.
    for (const char* notMovie : {"m2026031508300003.MP4x", "m2026031508300003.MP4~", "xm2026031508300003.MP4",
                                 "202603150830_0003.mp4.part", "m2026031508300003.MP4\n", "20260315083000031"})
        EXPECT_EQ(FileUtil::isMovieFileName(QString::fromLatin1(notMovie)), QString()) << notMovie;
}

TEST(FileUtil, FolderAndName)
{
    auto folder = FileUtil::getFolderName(QStringLiteral("/card/MOVE/"));
    EXPECT_EQ(folder.folder, QStringLiteral("/card/MOVE/"));
    EXPECT_TRUE(folder.fileName.isEmpty());
    auto file = FileUtil::getFolderName(QStringLiteral("/card/MOVE/a.MP4"));
    EXPECT_EQ(file.folder, QStringLiteral("/card/MOVE/"));
    EXPECT_EQ(file.fileName, QStringLiteral("a.MP4"));
}

TEST(Regex, LeadingAnchorRepetitionMatchesAnywhere)
{
    const Regex dir(CommonConst::PATTERN_MOVE_REGEX_DIR);
    EXPECT_TRUE(dir.hasMatch(QStringLiteral("MOVE/MOVE001/m2024031517080912.MP4")));
    EXPECT_TRUE(dir.hasMatch(QStringLiteral("move12/abc.mp4")));
    EXPECT_TRUE(dir.hasMatch(QStringLiteral("x/y/Move7/abc_def.Mp4")));
    EXPECT_FALSE(dir.hasMatch(QStringLiteral("MOVE/m2024031517080912.MP4")));
    EXPECT_FALSE(dir.hasMatch(QStringLiteral("MOVEA/abc.MP4")));
    EXPECT_FALSE(dir.hasMatch(QStringLiteral("move1/sub/abc.MP4")));

    const Regex movie(CommonConst::PATTERN_MOVE);
    EXPECT_TRUE(movie.hasMatch(QStringLiteral("m2024031517080912.MP4")));
    EXPECT_TRUE(movie.hasMatch(QStringLiteral("202403151708_0001.mp4")));
    EXPECT_FALSE(movie.hasMatch(QStringLiteral("x.m2024031517080912.MP4")));
    EXPECT_FALSE(movie.hasMatch(QStringLiteral("m202403151708091.MP4")));

    const auto all = Regex(QStringLiteral("[0-9]{2}")).matches(QStringLiteral("a12b345"));
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(*all, (QStringList{QStringLiteral("12"), QStringLiteral("34")}));
    EXPECT_FALSE(Regex(QStringLiteral("z")).matches(QStringLiteral("abc")).has_value());
}

TEST(FileUtil, CardFolderKeepsOnlyNumberedMoviesInMoveFolders)
{
    QTemporaryDir card;
    const QString root = card.path();
    const QStringList kept = {QStringLiteral("MOVE/MOVE001/m2024031517080901.MP4"),
                              QStringLiteral("MOVE/MOVE001/m2024031517080902.MP4"),
                              QStringLiteral("MOVE/MOVE002/202403151708_0003.mp4")};
    for (const QString& k : kept) touch(card.filePath(k));
    for (const QString& other :
         {QStringLiteral("m2024031517080903.MP4"), QStringLiteral("MOVE/_extras/MOVE001/m2024031517080904.MP4"),
          QStringLiteral("MOVE/.hidden/MOVE003/m2024031517080905.MP4"),
          QStringLiteral("MOVE/MOVE001/m2024031517080000.MP4"), QStringLiteral("MOVE/DATA01/m2024031517080906.MP4"),
          QStringLiteral("MOVE/MOVE001/notes.txt"), QStringLiteral("MOVE/MOVE001/m2024031517080907.MP4x"),
          QStringLiteral("MOVE/MOVE001/m2024031517080908.MP4~"), QStringLiteral("MOVE/MOVE002/202403151708_0009.mp4.part")})
        touch(card.filePath(other));
    // A link back up the card is not walked into (it would list the card again
    // and again), and the walk ends at a depth no card reaches.
    ASSERT_TRUE(QFile::link(card.filePath(QStringLiteral("MOVE")), card.filePath(QStringLiteral("MOVE/MOVE001/up"))));
    // Nor is a link named like a movie a movie of the card.
    ASSERT_TRUE(QFile::link(card.filePath(QStringLiteral("m2024031517080903.MP4")),
                            card.filePath(QStringLiteral("MOVE/MOVE001/m2024031517080910.MP4"))));
    QString deep = QStringLiteral("MOVE");
    for (int level = 0; level <= FileUtil::MAX_SCAN_DEPTH; ++level) deep += QStringLiteral("/d");
    touch(card.filePath(deep + QStringLiteral("/MOVE009/m2024031517080909.MP4")));

    EXPECT_EQ(names(FileUtil::checkCardFolder(root), root), kept);
    // The folder of a management file stands for the folder.
    touch(card.filePath(CommonConst::FILE_NAME_VREC));
    EXPECT_EQ(names(FileUtil::checkCardFolder(card.filePath(QStringLiteral("vrec_mov_mng.dat"))), root).size(), 0)
        << "no such file on a case-sensitive disk";
    EXPECT_EQ(names(FileUtil::checkCardFolder(card.filePath(CommonConst::FILE_NAME_VREC)), root), kept);
    // A single movie gives itself, other files nothing.
    const QString single = card.filePath(QStringLiteral("m2024031517080903.MP4"));
    EXPECT_EQ(FileUtil::checkCardFolder(single), QStringList{single});
    EXPECT_TRUE(FileUtil::checkCardFolder(card.filePath(QStringLiteral("MOVE/MOVE001/notes.txt"))).isEmpty());
    EXPECT_TRUE(FileUtil::checkCardFolder(card.filePath(QStringLiteral("missing"))).isEmpty());
}

TEST(FileUtil, RelativePathsAreRealEvenForTheRootFolder)
{
    EXPECT_EQ(FileUtil::relativePath(QStringLiteral("/"), QStringLiteral("/MOVE/MOVE001/a.MP4")),
              QStringLiteral("MOVE/MOVE001/a.MP4"));
    EXPECT_EQ(FileUtil::relativePath(QStringLiteral("/card/x"), QStringLiteral("/card/x/MOVE001/a/card/x.MP4")),
              QStringLiteral("MOVE001/a/card/x.MP4"));
}

TEST(FormUtil, RandomStringsUseTheAlphabet)
{
    const QString alphabet = QStringLiteral("1234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const QString s = FormUtil::randomString(8);
    EXPECT_EQ(s.size(), 8);
    for (QChar c : s) EXPECT_TRUE(alphabet.contains(c));
    EXPECT_TRUE(FormUtil::randomString(0).isEmpty());
    EXPECT_NE(FormUtil::randomString(32), FormUtil::randomString(32));
    EXPECT_EQ(FormUtil::appTarget, FormUtil::AppTarget::Common);
}
