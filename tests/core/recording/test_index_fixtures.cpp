// The card's three index files as the synthetic-card generator writes them,
// whole, cut short and overwritten with garbage.

#ifdef KR_HAVE_CARDGEN

#include "core/recording/AdvMoveProtectInfo.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/VrecMoveManagerInfo.h"

#include "CardGen.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace cardgen;
using DS = MoveProtectInfo::DetectStatus;

namespace {

QByteArray readAllBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class IndexFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;

    CardOptions card(quint8 listMode)
    {
        CardOptions c;
        c.vrecListMode = listMode;
        c.prctListMode = listMode;
        TripOptions drive;
        drive.chapters = 3;
        drive.chapterSeconds = 4;
        drive.format.realVideo = false;
        drive.adventureFirstChapter = 1;
        drive.adventureChapters = 2;
        drive.drive.incidents = {{Incident::Kind::GShock, 1000, true},
                                 {Incident::Kind::GShock, 9000, true},
                                 {Incident::Kind::SwitchPress, 5000, true}};
        TripOptions parked = drive;
        parked.adventureFirstChapter = -1;
        parked.chapters = 1;
        parked.drive.profile = SpeedProfile::Parked;
        parked.drive.startTime += 3600;
        parked.drive.incidents = {{Incident::Kind::Surveillance, 2000, true}};
        c.trips = {drive, parked};
        return c;
    }
};

} // namespace

TEST_F(IndexFixture, GeneratedIndexFilesListEveryRecordingInBothListModes)
{
    for (quint8 mode : {quint8(1), quint8(0)}) {
        const WrittenCard w = writeCard(dir.filePath(QStringLiteral("mode%1").arg(mode)), card(mode));
        const auto vrec = VrecMoveManagerInfo::readAll(readAllBytes(w.moveDir + "/VREC_MOV_MNG.DAT"));
        // Chapters only: the stale entry after the end marker stays unread.
        ASSERT_EQ(vrec.size(), 4u) << int(mode);
        const WrittenMovie& first = w.trips[0].chapters[0];
        EXPECT_EQ(vrec[0]->_fileName, first.indexName);
        EXPECT_EQ(vrec[0]->_datetime.toSecsSinceEpoch(), first.startTime);
        EXPECT_EQ(vrec[0]->_timeStamp, first.firstStamp);
        EXPECT_EQ(vrec[3]->_fileName, w.trips[1].chapters[0].indexName);

        const QByteArray prct = readAllBytes(w.moveDir + "/MOV_PRCT.DAT");
        const auto g = MoveProtectInfo::readRegion(prct, DS::G);
        const auto surv = MoveProtectInfo::readRegion(prct, DS::SURV);
        const auto sw = MoveProtectInfo::readRegion(prct, DS::SW);
        ASSERT_EQ(g.size(), 2u) << int(mode);
        ASSERT_EQ(surv.size(), 1u);
        ASSERT_EQ(sw.size(), 1u);
        EXPECT_EQ(g[0]->_detectType, 10);
        EXPECT_EQ(g[0]->_fileName, w.events[0].indexName);
        EXPECT_EQ(g[0]->_timeStamp, w.events[0].at.stamp);
        EXPECT_EQ(surv[0]->_detectType, 12);
        EXPECT_EQ(surv[0]->_detect, DS::SURV);
        EXPECT_EQ(sw[0]->_detectType, 20);

        const auto adv = AdvMoveProtectInfo::readAll(readAllBytes(w.moveDir + "/ADV_PRCT.DAT"));
        ASSERT_EQ(adv.size(), 2u);
        EXPECT_EQ(adv[0]->advModeStartFlg, 1);
        EXPECT_EQ(adv[1]->advModeStartFlg, 0);
        EXPECT_EQ(adv[0]->_endDatetime.toSecsSinceEpoch(), w.adventures[0].endTime);
        EXPECT_EQ(adv[0]->chapterNo(), w.trips[0].chapters[1].fileNumber);
    }
}

TEST_F(IndexFixture, FilesCutShortKeepOnlyTheirWholeEntries)
{
    const WrittenCard w = writeCard(dir.path(), card(0));
    const QByteArray vrec = readAllBytes(w.moveDir + "/VREC_MOV_MNG.DAT");
    const QByteArray prct = readAllBytes(w.moveDir + "/MOV_PRCT.DAT");
    const QByteArray adv = readAllBytes(w.moveDir + "/ADV_PRCT.DAT");

    EXPECT_EQ(VrecMoveManagerInfo::readAll(vrec.left(64 + 80 * 2 + 79)).size(), 2u);
    EXPECT_TRUE(VrecMoveManagerInfo::readAll(vrec.left(63)).empty());
    EXPECT_EQ(MoveProtectInfo::readRegion(prct.left(0x1600 + 511), DS::G).size(), 2u);
    EXPECT_TRUE(MoveProtectInfo::readRegion(prct.left(0x1600 + 511), DS::SURV).empty());
    EXPECT_EQ(AdvMoveProtectInfo::readAll(adv.left(512 + 512 + 511)).size(), 1u);
    // Every length, each a buffer of exactly that size.
    for (qsizetype n = 0; n <= prct.size(); n += 37) {
        const QByteArray cut = prct.left(n);
        for (DS d : {DS::G, DS::SURV, DS::SW})
            (void)MoveProtectInfo::readRegion(cut, d);
        (void)VrecMoveManagerInfo::readAll(vrec.left(n));
        (void)AdvMoveProtectInfo::readAll(adv.left(n));
    }
}

TEST_F(IndexFixture, GarbageOverTheGeneratedFilesNeverCrashes)
{
    const WrittenCard w = writeCard(dir.path(), card(1));
    const QByteArray files[] = {readAllBytes(w.moveDir + "/VREC_MOV_MNG.DAT"),
                                readAllBytes(w.moveDir + "/MOV_PRCT.DAT"),
                                readAllBytes(w.moveDir + "/ADV_PRCT.DAT")};
    QRandomGenerator rng(77);
    for (int round = 0; round < 300; ++round) {
        for (QByteArray f : files) {
            for (int i = 0; i < 40; ++i)
                f[rng.bounded(int(f.size()))] = char(rng.bounded(256));
            for (const auto& r : VrecMoveManagerInfo::readAll(f))
                EXPECT_TRUE(r->_infoEnable);
            for (DS d : {DS::G, DS::SURV, DS::SW})
                for (const auto& r : MoveProtectInfo::readRegion(f, d))
                    EXPECT_EQ(r->_detect, d);
            for (const auto& r : AdvMoveProtectInfo::readAll(f))
                EXPECT_EQ(r->_detectType, 25);
        }
    }
}

#endif
