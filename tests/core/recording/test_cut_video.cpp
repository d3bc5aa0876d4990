#include "core/archive/KeyedArchive.h"
#include "core/recording/CutVideoUtility.h"
#include "core/recording/TrimmedMovie.h"
#include "core/recording/VideoInfo.h"
#include "core/settings/SettingInfo.h"

#include "MovieBytes.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

QDateTime at(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, QTimeZone::utc());
}

VideoFramePtr frame(std::uint32_t stamp, std::uint32_t movieStamp, std::uint8_t id = 0x55)
{
    auto f = std::make_shared<VideoFrame>();
    f->_timeStamp = stamp;
    f->_movieTimeStamp = movieStamp;
    f->_id = id;
    f->setTime(at(1700000000 + stamp / 1000));
    f->speed = static_cast<std::int32_t>(stamp % 200);
    f->_longitude = -5000000;
    f->_posWest = 1;
    f->_latitude = 1200000;
    f->gX = 0.25;
    f->gZ = -0.5;
    f->sw = 3;
    f->blockNo = 2;
    f->pictureChannel = 1;
    f->frameSize = 4096;
    return f;
}

// A loaded chapter whose tables 0 and 1 hold one frame per given key, with
// time stamps base + key and movie time stamps movieBase + key.
std::shared_ptr<VideoInfo> chapter(const std::vector<qint64>& keys, std::uint32_t base = 5000,
                                   std::int64_t movieBase = 0)
{
    auto info = std::make_shared<VideoInfo>();
    FrameTable table;
    for (qint64 k : keys)
        table[k] = frame(base + std::uint32_t(k), std::uint32_t(std::max<std::int64_t>(0, movieBase + k)));
    info->_cameraFrames[0] = table;
    info->_cameraFrames[1] = table;
    info->detectType = 10;
    info->sw = 4;
    info->powerDown = true;
    info->_fileVersion = QStringLiteral("1.2.3");
    info->_terminalType = TerminalType::AllInOne;
    info->_recMode = CommonConst::RecMode::LongRec;
    info->_playback.detectTime = at(1700000010);
    info->_playback.detectPosition = 72;
    info->completeTables();
    return info;
}

std::vector<qint64> keysOf(const FooterList& list)
{
    std::vector<qint64> out;
    for (const auto& [k, f] : list)
        out.push_back(k);
    return out;
}

CutVideoKihonInfo roundTrip(const CutVideoKihonInfo& k)
{
    const std::optional<CutVideoKihonInfo> back =
        CutVideoUtility::decodeKihonInfo(CutVideoUtility::encodeKihonInfo(k));
    EXPECT_TRUE(back);
    return back.value_or(k);
}

// The archive of k with one field of the root, or of every footer, changed
// (a null value removes it).
QByteArray archiveWith(const CutVideoKihonInfo& k, const QString& key, const ArchiveValue& value,
                       bool inFooters = false)
{
    auto rebuild = [](const ArchiveObject& from, const QString& key, const ArchiveValue& value) {
        ArchiveObject to(from.className(), from.classes());
        for (const auto& [name, v] : from.fields())
            if (name != key) to.set(name, v);
        if (!value.isNull()) to.set(key, value);
        return to;
    };
    const ArchiveValue root = k.encode();
    if (!inFooters) return KeyedArchive::write(ArchiveValue::object(rebuild(*root.asObject(), key, value)));
    const QString listKey = QStringLiteral("cvki_tci_footerCamera1List");
    ArchiveValue::Dictionary footers;
    for (const auto& [offset, footer] : *root.asObject()->get(listKey)->asDictionary())
        footers.emplace_back(offset, ArchiveValue::object(rebuild(*footer.asObject(), key, value)));
    return KeyedArchive::write(ArchiveValue::object(
        rebuild(*root.asObject(), listKey, ArchiveValue::dictionary(std::move(footers)))));
}

} // namespace

// ---- building the trim information ---------------------------------------

TEST(CutVideoKihonInfo, AStartBetweenFramesPutsTheFrameBeforeItAtMovieTimeZero)
{
    const auto c = chapter({0, 36, 72, 108, 144});
    const CutVideoKihonInfo k(*c, 50, 120, 80, true, false, true, false);
    EXPECT_EQ(keysOf(k._footerCamera1List), (std::vector<qint64>{0, 22, 58}));
    EXPECT_EQ(k._footerCamera1List.at(0)._timeStamp, 5036u);
    EXPECT_EQ(k._footerCamera1List.at(0)._movieTimeStamp, 0u);
    EXPECT_EQ(k._footerCamera1List.at(22)._timeStamp, 5072u);
    EXPECT_EQ(k._footerCamera1List.at(22)._movieTimeStamp, 36u);
    EXPECT_EQ(k._footerCamera1List.at(58)._movieTimeStamp, 72u);
    EXPECT_EQ(k._totalTimeSpan, 70);
    EXPECT_EQ(k._totalMovieTimeSpan, 80 - 36);
    EXPECT_EQ(k._firstTime, c->frameAt(0, 50)->time());
    EXPECT_EQ(k._lastTime, c->frameAt(0, 120)->time());
    EXPECT_TRUE(k._footerSoundList.empty());

    EXPECT_EQ(k._detectType, 10);
    EXPECT_EQ(k._sw, 4);
    EXPECT_TRUE(k._powerDown);
    EXPECT_EQ(k._detectTime, at(1700000010));
    EXPECT_EQ(k._detectPosition, 72);
    EXPECT_EQ(k._settingInfo._fileVersion, QStringLiteral("1.2.3"));
    EXPECT_EQ(k._settingInfo._terminalType, TerminalType::AllInOne);
    EXPECT_EQ(k._settingInfo._recMode, CommonConst::RecMode::LongRec);
    EXPECT_TRUE(k._isDatetime);
    EXPECT_FALSE(k._isSpeed);
    EXPECT_TRUE(k._isAcceleration);
    EXPECT_FALSE(k._isPoint);
}

TEST(CutVideoKihonInfo, AStartOnAFrameKeepsThatFrameOnce)
{
    const CutVideoKihonInfo k(*chapter({0, 36, 72}), 36, 72, 36, false, false, false, false);
    EXPECT_EQ(keysOf(k._footerCamera1List), (std::vector<qint64>{0, 36}));
    EXPECT_EQ(k._footerCamera1List.at(0)._timeStamp, 5036u);
}

TEST(CutVideoKihonInfo, AnEmptyPictureTableGivesThePlaceholderAtZero)
{
    auto c = std::make_shared<VideoInfo>();
    c->_cameraFrames[1].clear();
    c->completeTables();
    const CutVideoKihonInfo k(*c, 0, 1000, 1000, false, false, false, false);
    EXPECT_EQ(keysOf(k._footerCamera1List), (std::vector<qint64>{0}));
}

TEST(CutVideoKihonInfo, AppendedChaptersContinueKeysAndMovieTimes)
{
    std::vector<qint64> keys;
    for (qint64 k = 0; k <= 60000; k += 100)
        keys.push_back(k);
    // Movie time 0 lies at the range start of the first chapter.
    CutVideoKihonInfo k(*chapter(keys, 5000, -59000), 59000, 60000, 1000, false, false, false, false);
    EXPECT_EQ(k._footerCamera1List.begin()->first, 0);
    EXPECT_EQ(k._footerCamera1List.rbegin()->first, 1000);
    EXPECT_EQ(k._totalTimeSpan, 1000);
    EXPECT_EQ(k._totalMovieTimeSpan, 1000);

    std::vector<qint64> second;
    for (qint64 s = 0; s <= 1500; s += 100)
        second.push_back(s);
    k.buildFooterLists(*chapter(second, 90000, 0), 1000, 1000);
    EXPECT_EQ(k._footerCamera1List.at(1001)._timeStamp, 90000u);
    EXPECT_EQ(k._footerCamera1List.at(1001)._movieTimeStamp, 1000u);
    EXPECT_EQ(k._footerCamera1List.at(2001)._movieTimeStamp, 2000u);
    EXPECT_EQ(k._footerCamera1List.rbegin()->first, 2001);
    EXPECT_EQ(k._totalTimeSpan, 2001);
    EXPECT_EQ(k._totalMovieTimeSpan, 2000);
    EXPECT_EQ(k._footerCamera1List.size(), 11u + 11u);
}

TEST(CutVideoKihonInfo, MovieTimeStampsSaturateInsteadOfWrapping)
{
    // A frame inside the range with a movie stamp below the start's.
    auto c = chapter({0, 36, 72});
    c->_cameraFrames[1][36]->_movieTimeStamp = 100;
    c->_cameraFrames[1][72]->_movieTimeStamp = 10;
    CutVideoKihonInfo k(*c, 36, 72, 0, false, false, false, false);
    EXPECT_EQ(k._footerCamera1List.at(36)._movieTimeStamp, 0u);
    EXPECT_EQ(k._totalMovieTimeSpan, -100);

    // Appending with a negative total lowers stamps, never below 0 ...
    k.buildFooterLists(*chapter({0, 36}, 9000, 50), 36, 10);
    EXPECT_EQ(k._footerCamera1List.at(37)._movieTimeStamp, 0u); // 50 - 100
    EXPECT_EQ(k._footerCamera1List.at(73)._movieTimeStamp, 0u); // 86 - 100

    // ... and a large total never lifts them past the 32-bit limit.
    k._totalMovieTimeSpan = 0xFFFFFFF0LL;
    auto late = chapter({0}, 9000);
    late->_cameraFrames[1][0]->_movieTimeStamp = 0x100;
    k.buildFooterLists(*late, 0, 0);
    EXPECT_EQ(k._footerCamera1List.rbegin()->second._movieTimeStamp, 0xFFFFFFFFu);
}

// ---- archiving ------------------------------------------------------------

TEST(CutVideoKihonInfo, ArchivingAndReadingBackGivesEqualRecords)
{
    CutVideoKihonInfo k(*chapter({0, 36, 72, 108}), 0, 108, 108, true, true, false, true);
    EXPECT_TRUE(roundTrip(k) == k);

    k._detectType.reset();
    k._footerCamera1List.at(36)._pictureChannel.reset();
    k._footerCamera1List.at(36)._time.reset();
    const CutVideoKihonInfo back = roundTrip(k);
    EXPECT_FALSE(back._detectType.has_value());
    EXPECT_FALSE(back._footerCamera1List.at(36)._pictureChannel.has_value());
    EXPECT_FALSE(back._footerCamera1List.at(36)._time.has_value());
    EXPECT_TRUE(back == k);
}

TEST(CutVideoKihonInfo, ArchiveUsesTheRecordsClassNamesAndKeys)
{
    const CutVideoKihonInfo k(*chapter({0, 36}), 0, 36, 36, false, false, false, false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("k.plist"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(CutVideoUtility::encodeKihonInfo(k));
    f.close();

    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) GTEST_SKIP() << "python3 is not installed";
    const QString script =
        QStringLiteral("import json, plistlib, sys\n"
                       "with open(sys.argv[1], 'rb') as f: d = plistlib.load(f)\n"
                       "o = d['$objects']\n"
                       "root = o[d['$top']['root'].data]\n"
                       "setting = o[root['cvki_tci_settingInfo'].data]\n"
                       "footers = o[root['cvki_tci_footerCamera1List'].data]\n"
                       "footer = o[footers['NS.objects'][1].data]\n"
                       "print(json.dumps({'root': o[root['$class'].data]['$classname'],\n"
                       "  'setting': o[setting['$class'].data]['$classname'],\n"
                       "  'dict': o[footers['$class'].data]['$classname'],\n"
                       "  'footer': o[footer['$class'].data]['$classname'],\n"
                       "  'keys': [o[u.data] for u in footers['NS.keys']],\n"
                       "  'rootKeys': sorted(root.keys()), 'footerKeys': sorted(footer.keys()),\n"
                       "  'west': o[footer['cvfi_tci_posWest'].data], 'speed': footer['cvfi_tci_speed'],\n"
                       "  'span': root['cvki_tci_totalMoviewTimeSpan'], 'gps': footer['cvfi_tci_gps']}))\n");
    QProcess p;
    p.start(python, {QStringLiteral("-c"), script, path});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    const QJsonObject r = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_EQ(r[QStringLiteral("root")].toString(), QStringLiteral("KORVELTA_REPLAY.CutVideoKihonInfo"));
    EXPECT_EQ(r[QStringLiteral("setting")].toString(), QStringLiteral("KORVELTA_REPLAY.CutVideoSettingInfo"));
    EXPECT_EQ(r[QStringLiteral("footer")].toString(), QStringLiteral("KORVELTA_REPLAY.CutVideoFooterInfo"));
    EXPECT_EQ(r[QStringLiteral("dict")].toString(), QStringLiteral("NSDictionary"));
    EXPECT_EQ(r[QStringLiteral("keys")].toArray().toVariantList(), (QVariantList{0, 36}));
    EXPECT_EQ(r[QStringLiteral("west")].toInt(), 1);
    EXPECT_EQ(r[QStringLiteral("speed")].toInt(), 36 + 5000 % 200);
    EXPECT_EQ(r[QStringLiteral("span")].toInt(), 36);
    EXPECT_TRUE(r[QStringLiteral("gps")].toBool());
    const QVariantList rootKeys = r[QStringLiteral("rootKeys")].toArray().toVariantList();
    EXPECT_EQ(rootKeys.size(), 17); // 16 fields and $class
    EXPECT_TRUE(rootKeys.contains(QStringLiteral("cvki_tci_detectType")));
    EXPECT_EQ(r[QStringLiteral("footerKeys")].toArray().size(), 20);
}

TEST(CutVideoKihonInfo, RequiredKeysMissingOrMistypedMakeTheArchiveUndecodable)
{
    const CutVideoKihonInfo k(*chapter({0, 36}), 0, 36, 36, false, false, false, false);
    auto decodes = [](const QByteArray& bytes) {
        return CutVideoUtility::decodeKihonInfo(bytes).has_value();
    };

    EXPECT_TRUE(decodes(archiveWith(k, QStringLiteral("cvki_tci_isPoint"), ArchiveValue::boolean(true))));
    EXPECT_FALSE(decodes(archiveWith(k, QStringLiteral("cvfi_tci_posWest"), ArchiveValue(), true)));
    EXPECT_FALSE(
        decodes(archiveWith(k, QStringLiteral("cvfi_tci_posWest"), ArchiveValue::numberObject(70000), true)));
    EXPECT_FALSE(
        decodes(archiveWith(k, QStringLiteral("cvfi_tci_speed"), ArchiveValue::integer(1LL << 40), true)));
    EXPECT_FALSE(decodes(
        archiveWith(k, QStringLiteral("cvfi_tci_gX"), ArchiveValue::string(QStringLiteral("x")), true)));
    EXPECT_FALSE(decodes(archiveWith(k, QStringLiteral("cvki_tci_sw"), ArchiveValue())));
    EXPECT_FALSE(decodes(archiveWith(k, QStringLiteral("cvki_tci_sw"), ArchiveValue::numberObject(256))));
    EXPECT_FALSE(
        decodes(archiveWith(k, QStringLiteral("cvki_tci_firstTime"), ArchiveValue::numberObject(1))));
    EXPECT_FALSE(decodes(archiveWith(k, QStringLiteral("cvki_tci_settingInfo"), ArchiveValue())));
    EXPECT_FALSE(decodes(archiveWith(k, QStringLiteral("cvki_tci_footerSoundList"), ArchiveValue())));
    EXPECT_FALSE(decodes(
        archiveWith(k, QStringLiteral("cvki_tci_isSpeed"), ArchiveValue::string(QStringLiteral("yes")))));
    // A footer list with other contents.
    EXPECT_FALSE(decodes(archiveWith(
        k, QStringLiteral("cvki_tci_footerCamera1List"),
        ArchiveValue::dictionary({{ArchiveValue::string(QStringLiteral("0")), ArchiveValue()}}))));
    EXPECT_FALSE(decodes(archiveWith(
        k, QStringLiteral("cvki_tci_footerCamera1List"),
        ArchiveValue::dictionary({{ArchiveValue::numberObject(0), ArchiveValue::numberObject(0)}}))));
    // The setting record as the root object.
    EXPECT_FALSE(decodes(KeyedArchive::write(k._settingInfo.encode())));
    EXPECT_FALSE(decodes(QByteArray(300, 'x')));
    EXPECT_FALSE(decodes(QByteArray()));
}

TEST(CutVideoKihonInfo, OptionalKeysOfAnotherKindReadAsUnset)
{
    const CutVideoKihonInfo k(*chapter({0, 36}), 0, 36, 36, false, false, false, false);
    auto back = CutVideoUtility::decodeKihonInfo(
        archiveWith(k, QStringLiteral("cvki_tci_detectType"), ArchiveValue::string(QStringLiteral("10"))));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->_detectType);
    back = CutVideoUtility::decodeKihonInfo(
        archiveWith(k, QStringLiteral("cvfi_tci_id"), ArchiveValue::numberObject(0x155), true));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->_footerCamera1List.at(0)._id);
    // A footer without the GPS flag reads it as false.
    back = CutVideoUtility::decodeKihonInfo(
        archiveWith(k, QStringLiteral("cvfi_tci_gps"), ArchiveValue(), true));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->_footerCamera1List.at(0)._gps);
}

TEST(CutVideoSettingInfo, UnknownNumbersReadAsTheFallbackCases)
{
    auto read = [](const ArchiveValue& terminal, const ArchiveValue& mode) {
        ArchiveObject o(CutVideoSettingInfo::CLASS_NAME());
        o.set(QStringLiteral("cvsi_tci_fileVersion"), ArchiveValue::string(QStringLiteral("v")));
        if (!terminal.isNull()) o.set(QStringLiteral("cvsi_tci_terminalType"), terminal);
        if (!mode.isNull()) o.set(QStringLiteral("cvsi_tci_recMode"), mode);
        return CutVideoSettingInfo::decode(ArchiveValue::object(o));
    };
    auto s = read(ArchiveValue::integer(7), ArchiveValue::integer(7));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->_terminalType, TerminalType::None);
    EXPECT_EQ(s->_recMode, CommonConst::RecMode::Nomal);
    s = read(ArchiveValue(), ArchiveValue());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->_terminalType, TerminalType::Separate);
    EXPECT_EQ(s->_recMode, CommonConst::RecMode::HighQuality);
    EXPECT_FALSE(read(ArchiveValue::string(QStringLiteral("1")), ArchiveValue()));

    CutVideoSettingInfo unset;
    const auto back = CutVideoSettingInfo::decode(unset.encode());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->_terminalType, TerminalType::None);
    EXPECT_EQ(back->_recMode, CommonConst::RecMode::Nomal);
}

// ---- decoding a trimmed movie ---------------------------------------------

namespace {

struct Decoded {
    TrimmedMovie::ArchiveResult result;
    std::shared_ptr<VideoInfo> info = std::make_shared<VideoInfo>();
    std::uint32_t t0 = 0;
    std::uint32_t t1 = 0;
};

Decoded decodeArchive(const QByteArray& archive, const QDateTime& left = CommonConst::DEFAULT_DATE(),
                      const QDateTime& right = CommonConst::DEFAULT_DATE().addYears(4000))
{
    Decoded d;
    d.result = TrimmedMovie::readArchive(*d.info, archive, left, right, d.t0, d.t1);
    return d;
}

// A record whose footers are exactly the given frames, keyed as given.
CutVideoKihonInfo recordOf(const std::vector<std::pair<qint64, VideoFramePtr>>& frames)
{
    CutVideoKihonInfo k(*chapter({0}), 0, 0, 0, true, false, false, true);
    k._footerCamera1List.clear();
    for (const auto& [key, f] : frames)
        k._footerCamera1List.insert_or_assign(key, CutVideoFooterInfo(*f));
    return k;
}

} // namespace

TEST(TrimmedMovieDecoding, FootersBecomeTheFrameTablesAsTheyStand)
{
    const CutVideoKihonInfo k = recordOf({{0, frame(5000, 0)}, {36, frame(5036, 36)}, {72, frame(5072, 72)}});
    const Decoded d = decodeArchive(CutVideoUtility::encodeKihonInfo(k));
    ASSERT_EQ(d.result, TrimmedMovie::ArchiveResult::Read);
    const FrameTable& t0 = d.info->_cameraFrames.at(0);
    const FrameTable& t1 = d.info->_cameraFrames.at(1);
    ASSERT_EQ(t1.size(), 3u);
    ASSERT_EQ(t0.size(), 3u);
    for (qint64 key : {0, 36, 72}) {
        EXPECT_EQ(t0.at(key), t1.at(key)); // the same frame object
        EXPECT_EQ(t1.at(key)->_movieTimeStamp, std::uint32_t(key));
        EXPECT_EQ(t1.at(key)->ex.violationType, ViolationType::All);
        EXPECT_EQ(t1.at(key)->camera, 1);
        EXPECT_EQ(t1.at(key)->status, 0);
    }
    EXPECT_EQ(d.t0, 5000u);
    EXPECT_EQ(d.t1, 5072u);
    EXPECT_EQ(d.info->firstTime, at(1700000005));
    EXPECT_EQ(d.info->detectType, 10);
    EXPECT_EQ(d.info->_playback.detectionType, DetectionType::GSensor);
    EXPECT_EQ(d.info->sw, 4);
    EXPECT_EQ(d.info->_fileVersion, QStringLiteral("1.2.3"));
    EXPECT_EQ(d.info->_recMode, CommonConst::RecMode::LongRec);
    EXPECT_TRUE(d.info->isDatetime);
    EXPECT_TRUE(d.info->isPoint);
    EXPECT_FALSE(d.info->isSpeed);
}

TEST(TrimmedMovieDecoding, SoundAndOtherFootersAreNotFiledButCount)
{
    auto sound = frame(4000, 0, 0xAA);
    sound->setTime(at(1600000000));
    auto other = frame(1, 0, 0x00);
    other->powerDown = true;
    const Decoded d = decodeArchive(CutVideoUtility::encodeKihonInfo(
        recordOf({{0, frame(5000, 0)}, {10, sound}, {20, other}, {36, frame(5036, 36)}})));
    ASSERT_EQ(d.result, TrimmedMovie::ArchiveResult::Read);
    EXPECT_EQ(d.info->_cameraFrames.at(1).size(), 2u);
    EXPECT_EQ(d.t0, 4000u);
    EXPECT_EQ(d.t1, 5036u);
    EXPECT_EQ(d.info->firstTime, at(1600000000));
    EXPECT_TRUE(d.info->powerDown);
}

TEST(TrimmedMovieDecoding, AZeroTimeStampLeavesTheFirstStampUnset)
{
    auto zero = frame(0, 0);
    zero->setTime(at(1500000000));
    auto later = frame(5036, 36);
    later->setTime(at(1800000000));
    const Decoded d = decodeArchive(CutVideoUtility::encodeKihonInfo(recordOf({{0, zero}, {36, later}})));
    EXPECT_EQ(d.t0, 5036u);
    EXPECT_EQ(d.info->firstTime, at(1800000000)); // set outright, though later
}

TEST(TrimmedMovieDecoding, ARangeOutsideTheReadersTimesDoesNotCount)
{
    const QByteArray archive = CutVideoUtility::encodeKihonInfo(recordOf({{0, frame(5000, 0)}}));
    const Decoded d = decodeArchive(archive, at(1800000000), at(1900000000));
    EXPECT_EQ(d.result, TrimmedMovie::ArchiveResult::Read);
    EXPECT_EQ(d.t0, 0u);
    EXPECT_EQ(d.t1, 0u);
    EXPECT_EQ(d.info->firstTime, CommonConst::DEFAULT_DATE());
}

TEST(TrimmedMovieDecoding, WithoutPictureFootersTheTablesAreEmpty)
{
    const Decoded d = decodeArchive(CutVideoUtility::encodeKihonInfo(recordOf({{0, frame(5000, 0, 0xAA)}})));
    EXPECT_EQ(d.result, TrimmedMovie::ArchiveResult::NoPictureFrames);
    EXPECT_TRUE(d.info->_cameraFrames.at(1).empty());
}

TEST(TrimmedMovieDecoding, AMissingFieldTheFramesNeedGivesNone)
{
    const CutVideoKihonInfo k = recordOf({{0, frame(5000, 0)}});
    for (const char* key :
         {"cvfi_tci_blockNo", "cvfi_tci_time", "cvfi_tci_pictureChannel", "cvfi_tci_frameSize",
          "cvfi_tci_timeStamp", "cvfi_tci_id", "cvfi_tci_movieTimeStamp"}) {
        const Decoded d = decodeArchive(archiveWith(k, QString::fromLatin1(key), ArchiveValue(), true));
        EXPECT_EQ(d.result, TrimmedMovie::ArchiveResult::Unreadable) << key;
    }
    for (const char* key : {"cvki_tci_detectType", "cvki_tci_detectTime"})
        EXPECT_EQ(decodeArchive(archiveWith(k, QString::fromLatin1(key), ArchiveValue())).result,
                  TrimmedMovie::ArchiveResult::Unreadable)
            << key;
    EXPECT_EQ(decodeArchive(QByteArray("bplist00garbage")).result, TrimmedMovie::ArchiveResult::Unreadable);
}

TEST(TrimmedMovieDecoding, ATrimmedMovieWrittenAndReadBack)
{
    using namespace moviebytes;
    // A recorder movie of three one-second runs of pictures every 36 ms.
    Movie m;
    m.header = headerBytes({});
    for (int s = 0; s < 3; ++s) {
        QByteArray run;
        for (int i = 0; i < 28; ++i) {
            Record r;
            r.timeStamp = 10000 + std::uint32_t(s * 1000 + i * 36);
            r.time = 1700000000 + std::uint32_t(s);
            r.speed10 = std::uint16_t(100 * s + i);
            run += recordBytes(r);
        }
        m.runs.push_back(run);
    }
    const QByteArray fileInfo = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo);
    auto read = [&](const QByteArray& bytes, bool& isError) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        return VideoInfo::readMelsi14Device(buffer, CommonConst::DEFAULT_DATE(),
                                            CommonConst::DEFAULT_DATE().addYears(4000), isError, fileInfo);
    };
    bool isError = false;
    const auto source = read(movieBytes(m), isError);
    ASSERT_TRUE(source);
    ASSERT_FALSE(isError);

    const qint64 start = 500;
    const qint64 end = 2500;
    const CutVideoKihonInfo k(*source, start, end, 2000, true, true, true, true);
    const QByteArray archive = CutVideoUtility::encodeKihonInfo(k);
    const QByteArray trimmed = box("ftyp", "isom") + box("mdat", "xx") + box("udat", fileInfo + archive);

    const auto back = read(trimmed, isError);
    ASSERT_TRUE(back);
    EXPECT_FALSE(isError);
    EXPECT_TRUE(back->_isCutVideo);
    EXPECT_TRUE(back->isSpeed);
    const FrameTable& table = back->_cameraFrames.at(1);
    ASSERT_EQ(table.size(), k._footerCamera1List.size());
    for (const auto& [key, f] : table) {
        const VideoFramePtr orig = source->frameAt(1, key == 0 ? start : key + start);
        EXPECT_EQ(f->_timeStamp, orig->_timeStamp) << key;
        EXPECT_EQ(f->speed, orig->speed) << key;
        EXPECT_EQ(f->time(), orig->time()) << key;
        EXPECT_EQ(f->_longitude, orig->_longitude) << key;
        EXPECT_DOUBLE_EQ(f->gZ, orig->gZ) << key;
    }
    EXPECT_EQ(back->_timeSpan,
              quint64(table.rbegin()->second->_timeStamp - table.begin()->second->_timeStamp));

    // The same movie with its archive damaged is reported, not read.
    QByteArray damaged = archive;
    damaged.truncate(damaged.size() / 2);
    EXPECT_FALSE(read(box("ftyp", "isom") + box("udat", fileInfo + damaged), isError));
}
