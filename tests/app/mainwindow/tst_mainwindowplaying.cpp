// The main window with its real player (libmpv, software rendering under
// the offscreen platform) over a generated card with real movies: the first
// trip plays after the load and moves on to its second chapter, the list and
// the title following; a screenshot of the playing window is left in the
// build folder for a person to look at.

#include "AppTestSupport.h"
#include "TestMain.h"
#include "core/catalog/TripData.h"
#include "app/catalog/VideoListView.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/mainwindow/ViewController.h"
#include "core/player/MediaPlayer.h"
#include "app/player/MoviePlayerView.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>

using namespace apptest;
using CommonConst::ListType;
using CommonConst::PlayStatus;

class TestMainWindowPlaying : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(m_dir.isValid());
        useTemporaryStore(m_dir.path());
        auto s = SettingsStore::open();
        s->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
        UserDefaultUtil::resetToInitialValues();
        cardgen::CardOptions o;
        cardgen::TripOptions trip = tripOf(2, 0, 3);
        trip.format.realVideo = true;
        cardgen::TripOptions second = tripOf(1, 1, 3);
        second.format.realVideo = true;
        o.trips = {trip, second};
        o.videoCacheDir = m_dir.filePath(QStringLiteral("cache"));
        m_card = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), o);
    }

    void theFirstTripPlaysThroughItsChaptersOnTheRealPlayer()
    {
        AlertLog alerts;
        ViewController::Options options;
        options.probeNetwork = false;
        options.checkForUpdates = false;
        options.loadDelayMs = 0;
        options.playerFactory = MoviePlayerView::mpvFactory({true});
        MainWindow window(nullptr, options);
        window.resize(1280, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QSignalSpy finished(window.controller(), &ViewController::loadFinished);
        window.controller()->loadData(m_card.moveDir, true, MovieType::Card);
        QVERIFY(finished.wait(30000));
        MoviePlayerView* player = window.moviePlayerView();
        RecordingList& list = window.videoListView()->list();
        const ChapterList chapters = list.trip(0)->chapterDataList();
        QCOMPARE(chapters.size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(player->currentStatus(), PlayStatus::Play, 15000);
        QVERIFY(window.windowTitle().contains(chapters[0]->_pathMp4.toLocalFile()));
        QTRY_VERIFY_WITH_TIMEOUT(player->mediaPlayer()->currentTimeMs() > 800, 10000);

        // A picture of the window playing the generated card.
        const QString shot = QStringLiteral(KR_BINARY_DIR) + QStringLiteral("/mainwindow-playing.png");
        QVERIFY(window.grab().save(shot));

        // The second chapter's movie follows at the boundary.
        QTRY_COMPARE_WITH_TIMEOUT(player->mediaPlayer()->currentPath(), chapters[1]->_pathMp4.toLocalFile(), 10000);
        QTRY_COMPARE(list.currentRow(ListType::TripChapter), 1);
        QTRY_VERIFY(window.windowTitle().contains(chapters[1]->_pathMp4.toLocalFile()));
        QTRY_VERIFY_WITH_TIMEOUT(player->currentStatus() != PlayStatus::Play, 10000);
        QCOMPARE(list.currentRow(ListType::Trip), 0);
        QVERIFY2(alerts.alerts.isEmpty(), qPrintable(alerts.messages().join(QLatin1Char('\n'))));
    }

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
};

KR_TEST_MAIN(TestMainWindowPlaying)
#include "tst_mainwindowplaying.moc"
