#include "core/recording/Mp4Reader.h"

#include "../../support/SparseFile.h"
#include "MovieBytes.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace moviebytes;

namespace {

struct Opened {
    QByteArray bytes;
    QBuffer buffer;
    std::unique_ptr<Mp4Reader> reader;
    explicit Opened(QByteArray b)
        : bytes(std::move(b))
    {
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        reader = std::make_unique<Mp4Reader>(buffer);
    }
};

QByteArray udatPayload(std::uint32_t n, std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> entries,
                       int extraBytes = 0)
{
    QByteArray p = u32(0) + u32(n);
    for (const auto& [o, l] : entries) p += u32(o) + u32(l);
    return p + QByteArray(extraBytes, 0);
}

} // namespace

TEST(Mp4ReaderBoxes, FileShorterThanOneHeaderStoresNothing)
{
    Opened o(QByteArray(7, 0));
    EXPECT_TRUE(o.reader->boxData().empty());
    EXPECT_TRUE(o.reader->readUdatTable().empty());
}

TEST(Mp4ReaderBoxes, StopsOnceUdatAndMdatAreBothFound)
{
    Opened o(box("ftyp", "abcd") + box("moov", "x") + box("udat", "y") + box("mdat", "z") + QByteArray("\0\0\0\x01" "free", 8));
    EXPECT_EQ(o.reader->boxData().size(), 4u);

    Opened p(box("ftyp", "abcd") + box("mdat", "z") + box("udat", udatPayload(0, {})));
    EXPECT_EQ(p.reader->boxData().size(), 3u);
    EXPECT_EQ(p.reader->boxData().at(Mp4Reader::BoxType::Udat)._offset, 12 + 9);
}

TEST(Mp4ReaderBoxes, DamagedSizeEndsTheScanKeepingEarlierBoxes)
{
    Opened tooSmall(box("ftyp", "abcd") + u32(7) + QByteArray("udat") + QByteArray(8, 0));
    EXPECT_EQ(tooSmall.reader->boxData().size(), 1u);

    Opened negative(box("ftyp", "abcd") + u32(0x80000000u) + QByteArray("udat") + QByteArray(8, 0));
    EXPECT_EQ(negative.reader->boxData().size(), 1u);

    Opened pastEnd(box("ftyp", "abcd") + u32(400) + QByteArray("udat") + QByteArray(8, 0));
    EXPECT_EQ(pastEnd.reader->boxData().size(), 1u);
}

TEST(Mp4ReaderBoxes, SixtyFourBitSizeAndSizeZeroAreUnderstood)
{
    // mdat with a 64-bit size, then udat running to the end of the file
    QByteArray mdat = u32(1) + QByteArray("mdat") + u32(0) + u32(16 + 5) + QByteArray("hello");
    QByteArray udat = u32(0) + QByteArray("udat") + udatPayload(1, {{0, 4}});
    Opened o(box("ftyp", "abcd") + mdat + udat);
    ASSERT_EQ(o.reader->boxData().count(Mp4Reader::BoxType::Udat), 1u);
    EXPECT_EQ(o.reader->boxData().at(Mp4Reader::BoxType::Mdat).payloadLength(), 5);
    EXPECT_EQ(o.reader->payload(Mp4Reader::BoxType::Mdat), QByteArray("hello"));
    EXPECT_EQ(o.reader->readUdatTable().size(), 1u);

    // A 32-bit size of 2 GiB and more is a size, not a negative number.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.MP4"));
    const std::uint32_t mdatSize = 0xA0000000u;
    ASSERT_TRUE(writeFile(path, box("ftyp", "abcd") + u32(mdatSize) + QByteArray("mdat")));
    if (!growWithAHole(path, 12 + qint64(mdatSize))) GTEST_SKIP() << "no sparse files here";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(box("udat", udatPayload(1, {{0, 4}})));
    }
    Mp4Reader large(path);
    ASSERT_EQ(large.boxData().count(Mp4Reader::BoxType::Udat), 1u);
    EXPECT_EQ(large.boxData().at(Mp4Reader::BoxType::Udat)._offset, 12 + qint64(mdatSize));
    EXPECT_EQ(large.boxData().at(Mp4Reader::BoxType::Mdat).payloadLength(), qint64(mdatSize) - 8);
    EXPECT_EQ(large.readUdatTable().size(), 1u);
}

TEST(Mp4ReaderBoxes, NonAsciiTypeMatchesNoBox)
{
    Opened o(box("\xC3\xBC" "da", "x") + box("udat", "y"));
    EXPECT_EQ(o.reader->boxData().size(), 1u);
}

TEST(Mp4ReaderIndex, ReadsEveryWholeEntryUpToTheCount)
{
    Opened one(box("udat", udatPayload(1, {{100, 64}})));
    EXPECT_EQ(one.reader->readUdatTable(), (std::map<qint64, qint64>{{100, 64}}));

    Opened lastEntryAtEnd(box("udat", udatPayload(2, {{100, 64}, {200, 64}})));
    EXPECT_EQ(lastEntryAtEnd.reader->readUdatTable().size(), 2u);

    Opened countLimits(box("udat", udatPayload(1, {{100, 64}, {200, 64}})));
    EXPECT_EQ(countLimits.reader->readUdatTable().size(), 1u);

    Opened partial(box("udat", udatPayload(2, {{100, 64}}, 4)));
    EXPECT_EQ(partial.reader->readUdatTable().size(), 1u);
}

TEST(Mp4ReaderIndex, RepeatedOffsetKeepsTheLaterLengthAndCountsOnce)
{
    Opened o(box("udat", udatPayload(2, {{1000, 64}, {1000, 128}, {2000, 64}})));
    EXPECT_EQ(o.reader->readUdatTable(), (std::map<qint64, qint64>{{1000, 128}, {2000, 64}}));
}

TEST(Mp4ReaderIndex, EmptyCountOrShortPayloadGivesNoTable)
{
    Opened zero(box("udat", udatPayload(0, {{100, 64}})));
    EXPECT_TRUE(zero.reader->readUdatTable().empty());
    Opened shortPayload(box("udat", QByteArray(12, 1)));
    EXPECT_TRUE(shortPayload.reader->readUdatTable().empty());
    Opened none(box("mdat", udatPayload(1, {{100, 64}})));
    EXPECT_TRUE(none.reader->readUdatTable().empty());
}

TEST(Mp4ReaderIndex, EntryOutsideTheFileReadsEmpty)
{
    Opened o(box("udat", udatPayload(1, {{0, 8}})) + QByteArray(100, 'x'));
    EXPECT_EQ(o.reader->entry(0, 8).read().size(), 8);
    EXPECT_TRUE(o.reader->entry(0xFFFFFF00, 0x200).read().isEmpty());
    EXPECT_TRUE(o.reader->entry(100, 100).read().isEmpty());
    EXPECT_TRUE(o.reader->entry(0, 0).read().isEmpty());
}

TEST(Mp4ReaderFile, SizesNoRecorderWritesAreNotRead)
{
    // A udat payload and a range larger than any recorder writes (a sparse file).
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("large.MP4")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const qint64 payloadLength = Mp4Reader::MAX_UDAT_PAYLOAD + 1;
    f.write(box("ftyp", "abcd") + u32(std::uint32_t(payloadLength + 8)) + QByteArray("udat") + udatPayload(1, {{0, 64}}));
    ASSERT_TRUE(f.resize(12 + 8 + payloadLength));
    f.close();
    Mp4Reader large(f.fileName());
    ASSERT_EQ(large.boxData().count(Mp4Reader::BoxType::Udat), 1u);
    EXPECT_TRUE(large.payload(Mp4Reader::BoxType::Udat).isEmpty());
    EXPECT_TRUE(large.readUdatTable().empty());
    EXPECT_EQ(large.entry(0, 64).read().size(), 64);
    EXPECT_TRUE(large.entry(0, Mp4Reader::MAX_ENTRY_LENGTH + 1).read().isEmpty());

    // A scan stops after as many boxes as no movie holds.
    QByteArray many;
    for (int i = 0; i < Mp4Reader::MAX_TOP_LEVEL_BOXES; ++i) many += box("free", {});
    Opened o(many + box("udat", udatPayload(1, {{0, 4}})));
    EXPECT_TRUE(o.reader->boxData().empty());
}

TEST(Mp4ReaderFile, UnreadableFileStoresNoBox)
{
    Mp4Reader r(QStringLiteral("/nonexistent/file.mp4"));
    EXPECT_TRUE(r.boxData().empty());
    EXPECT_TRUE(r.payload(Mp4Reader::BoxType::Udat).isEmpty());
}
