// The main window's play road over a generated card, with a media player
// that only records what it is asked (it becomes ready as soon as a movie is
// opened): the first trip after a load, chapter changes, events,
// surveillance and adventure recordings, the neighbouring items, a missing
// movie file and the busy flag.

#include "../../support/HeldCardReads.h"
#include "AppTestSupport.h"
#include "FakePlayerWindow.h"
#include "TestMain.h"
#include "app/catalog/VideoListView.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/mainwindow/ViewController.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "app/shell/EXTextButton.h"
#include "core/catalog/TripData.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/player/PlayerRules.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VrecMoveManagerInfo.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using namespace apptest;
using CommonConst::ListType;
using CommonConst::PlayStatus;
using CommonConst::PlayType;

namespace {

QString pathOf(const std::shared_ptr<ChapterData>& chapter)
{
    return chapter->_pathMp4.toLocalFile();
}

struct Rig {
    QPointer<FakeMediaPlayer> media;
    std::unique_ptr<MainWindow> window;

    explicit Rig()
    {
        window = makeFakePlayerWindow(media, 10000);
        window->show();
    }
    ViewController* controller() const { return window->controller(); }
    MoviePlayerView* player() const { return window->moviePlayerView(); }
    PlayController* road() const { return window->playController(); }
    RecordingList& list() const { return window->videoListView()->list(); }

    bool load(const QString& path, MovieType kind = MovieType::Card)
    {
        QSignalSpy finished(controller(), &ViewController::loadFinished);
        controller()->loadData(path, true, kind);
        return finished.wait(20000);
    }
    // Loaded, and the first recording playing.
    bool loadPlaying(const QString& path)
    {
        return load(path) &&
               QTest::qWaitFor([this] { return player()->currentStatus() == PlayStatus::Play; }, 20000);
    }
    bool played(bool asked) const { return apptest::played(*window, asked); }
    void fastest()
    {
        player()->playSpeedSlider->setDoubleValue(5); // 10x
        player()->applyPlaySpeed();
    }
};

// The GUI thread's pulse: a 5 ms timer ticks on it while a thread watches
// the ticks. Ticks that stop for a second mean the GUI thread waits on the
// card: the watcher notes it and lets the held reads go, so that such a
// window fails the test instead of hanging it.
class GuiPulse {
public:
    GuiPulse()
    {
        m_last.store(now());
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            ++m_ticks;
            m_last.store(now());
        });
        m_timer.start();
        m_watcher = std::thread([this] {
            while (!m_done.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                if (now() - m_last.load() > 1000) {
                    m_stalled.store(true);
                    HeldCardReads::letGo();
                }
            }
        });
    }
    ~GuiPulse()
    {
        m_done.store(true);
        m_watcher.join();
    }
    GuiPulse(const GuiPulse&) = delete;
    GuiPulse& operator=(const GuiPulse&) = delete;

    bool stalled() const { return m_stalled.load(); }
    int ticks() const { return m_ticks; }

private:
    static qint64 now()
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    QTimer m_timer;
    int m_ticks = 0;
    std::atomic<qint64> m_last{0};
    std::atomic<bool> m_stalled{false};
    std::atomic<bool> m_done{false};
    std::thread m_watcher;
};

} // namespace

class TestPlayRoad : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        useTemporaryStore(m_dir.path());
        m_card = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), mixedCard());
    }
    void init() { resetSettings(); }

    void theFirstTripPlaysThroughAllItsChaptersAfterALoad()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        const ChapterList chapters = rig.list().trip(0)->chapterDataList();
        QCOMPARE(chapters.size(), 2);
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        QCOMPARE(rig.list().currentRow(ListType::Trip), 0);
        QCOMPARE(rig.list().currentRow(ListType::TripChapter), 0);
        QCOMPARE(rig.player()->_valueInfo->_playType, PlayType::Movie);
        QCOMPARE(rig.media->opened.value(0), pathOf(chapters[0]));
        QVERIFY(rig.window->windowTitle().contains(pathOf(chapters[0])));
        QCOMPARE(rig.controller()->cardData()->activeType(), CardData::ActiveType::MovieRec);
        QVERIFY(rig.list().trip(0)->isActive());
        QVERIFY(!rig.list().trip(1)->isActive());

        // The clock runs on; at the chapter boundary the next movie is loaded,
        // the chapter list follows and the title names the new movie.
        rig.fastest();
        QTRY_VERIFY_WITH_TIMEOUT(rig.media->opened.contains(pathOf(chapters[1])), 15000);
        QTRY_COMPARE(rig.list().currentRow(ListType::TripChapter), 1);
        QTRY_VERIFY(rig.window->windowTitle().contains(pathOf(chapters[1])));
        // The end of the trip: the player stops there and plays no other trip.
        QTRY_VERIFY_WITH_TIMEOUT(rig.player()->currentStatus() != PlayStatus::Play, 15000);
        QCOMPARE(rig.player()->_valueInfo->_currentValue, rig.player()->_valueInfo->_maxValue);
        QCOMPARE(rig.list().currentRow(ListType::Trip), 0);
        QVERIFY(alerts.alerts.isEmpty());
    }

    void eventsPlayOverTheirChapterWindow()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(m_card.moveDir));
        QVERIFY(rig.list().rowCount(ListType::Event) >= 2);
        const auto record = rig.list().event(0);
        const ChapterWindow window = rig.controller()->cardData()->eventChapterList(*record);
        QVERIFY(window.chapters && !window.chapters->isEmpty());

        QVERIFY(rig.played(rig.road()->playListRow(ListType::Event, 0)));
        const auto& info = rig.player()->_valueInfo;
        QCOMPARE(info->_playType, PlayType::Event);
        QCOMPARE(info->_minValue, window.minValue);
        QCOMPARE(info->_maxValue, window.maxValue);
        QCOMPARE(rig.media->opened.last(), pathOf(window.chapters->first()));
        QCOMPARE(rig.list().currentRow(ListType::Event), 0);
        QCOMPARE(rig.controller()->cardData()->activeType(), CardData::ActiveType::EventRec);
        QVERIFY(!rig.player()->_isPrevTrip);
        QVERIFY(rig.player()->_isNextTrip);
        QTRY_VERIFY(rig.player()->isReady());

        // Played through its window: it ends at the window's end.
        rig.player()->onMoviePlayButton();
        rig.fastest();
        QTRY_VERIFY_WITH_TIMEOUT(info->_currentValue == info->_maxValue, 15000);
        QTRY_VERIFY(rig.player()->currentStatus() != PlayStatus::Play);
        // A chapter change during an event selects nothing in the chapter list.
        QCOMPARE(rig.list().currentRow(ListType::TripChapter), -1);

        // The next item is the next event; before row 0 there is none.
        rig.road()->playNextItem();
        QCOMPARE(rig.list().currentRow(ListType::Event), 1);
        rig.road()->playPreviousItem();
        QCOMPARE(rig.list().currentRow(ListType::Event), 0);
        rig.road()->playPreviousItem();
        QCOMPARE(rig.list().currentRow(ListType::Event), 0);
        QVERIFY(alerts.alerts.isEmpty());
    }

    void surveillanceRecordingsPlayFromTheirDetection()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QVERIFY(rig.list().rowCount(ListType::Surveillance) >= 1);
        const auto record = rig.list().surveillance(0);
        const ChapterWindow window = rig.controller()->cardData()->surveillanceChapterList(*record);
        QVERIFY(window.chapters && !window.chapters->isEmpty());

        QVERIFY(rig.played(rig.road()->playListRow(ListType::Surveillance, 0)));
        const auto& info = rig.player()->_valueInfo;
        QCOMPARE(info->_playType, PlayType::Surveillance);
        QCOMPARE(info->_currentValue, window.minValue);
        QCOMPARE(info->_maxValue, window.maxValue);
        QCOMPARE(rig.list().currentRow(ListType::Surveillance), 0);
        QTRY_VERIFY(rig.player()->isReady());
        QVERIFY(rig.window->windowTitle().contains(pathOf(window.chapters->first())));
        QVERIFY(alerts.alerts.isEmpty());
    }

    void adventureTripsPlayAndAreServedFirstByTheWorkers()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.load(m_card.moveDir));
        QVERIFY(rig.list().rowCount(ListType::Adventure) >= 1);
        const auto adventure = rig.list().adventure(0);
        const ChapterList chapters = adventure->chapterDataList();

        QVERIFY(rig.played(rig.road()->playListRow(ListType::Adventure, 0)));
        QCOMPARE(rig.player()->_valueInfo->_playType, PlayType::Adventure);
        QCOMPARE(rig.player()->_valueInfo->_chapterDataList, chapters);
        QCOMPARE(rig.controller()->cardData()->activeType(), CardData::ActiveType::AdventureRec);
        QVERIFY(adventure->isActive());
        for (const auto& trip : rig.controller()->cardData()->tripList()) QVERIFY(!trip->isActive());
        QCOMPARE(rig.list().currentRow(ListType::Adventure), 0);
        QCOMPARE(rig.list().currentRow(ListType::AdvChapter), 0);
        QCOMPARE(rig.media->opened.last(), pathOf(chapters.first()));

        // A chapter of the open adventure only moves the position.
        if (chapters.size() > 1) {
            QTRY_VERIFY(rig.player()->isReady());
            const int opens = int(rig.media->opened.size());
            QVERIFY(rig.road()->playListRow(ListType::AdvChapter, 1));
            QCOMPARE(rig.player()->_valueInfo->currentIndex(), 1);
            QCOMPARE(rig.list().currentRow(ListType::AdvChapter), 1);
            QCOMPARE(rig.media->opened.size(), opens + 1);
            QCOMPARE(rig.media->opened.last(), pathOf(chapters[1]));
        }
        QVERIFY(alerts.alerts.isEmpty());
    }

    void aPlayStillSwitchingTheListRefusesAnAdventureOnRowZero()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(m_card.moveDir));
        const auto before = rig.player()->_valueInfo;
        rig.list().isSelectRowChanging = true;
        QVERIFY(!rig.road()->playAdventure(0, 0, false));
        QCOMPARE(rig.player()->_valueInfo, before);
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        rig.list().isSelectRowChanging = false;
        QVERIFY(rig.road()->playAdventure(0, 0, false));
        QVERIFY(!rig.list().isSelectRowChanging);
    }

    void aMissingChapterFileClearsTheDisplayAsBeforeALoad()
    {
        QTemporaryDir dir;
        const auto card = cardgen::writeCard(dir.filePath(QStringLiteral("card")), mixedCard());
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(card.moveDir));
        const auto catalogue = rig.controller()->cardData();
        const int trips = rig.list().rowCount(ListType::Trip);
        QVERIFY(trips >= 2);
        // The second trip's last chapter goes missing.
        QVERIFY(QFile::remove(pathOf(rig.list().trip(1)->chapterDataList().last())));

        QVERIFY(!rig.road()->playListRow(ListType::Trip, 1));
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Unable to locate the file.")});
        QCOMPARE(alerts.alerts.first().style, Alerts::Style::Warning);
        // What was read of the card is given up: an empty list, nothing to
        // back up, the player closed; the user opens the data again.
        QVERIFY(rig.controller()->cardData() != catalogue);
        QVERIFY(catalogue->isDisposed());
        QCOMPARE(rig.list().rowCount(ListType::Trip), 0);
        QVERIFY(!rig.controller()->backupFlg());
        QVERIFY(!rig.list().isSelectRowChanging);
        QVERIFY(!rig.player()->isReady());
        QVERIFY(!rig.road()->playListRow(ListType::Trip, 0));
        QCOMPARE(alerts.alerts.size(), 1);
    }

    void anEventStampedPastTheEndOfItsTripPlaysUpToWhereTheDataEnds()
    {
        QTemporaryDir dir;
        cardgen::CardOptions o;
        o.trips = {tripOf(2, 0)};
        const auto card = cardgen::writeCard(dir.filePath(QStringLiteral("card")), o);
        // Stamped 300 ms after the last picture of the trip's last chapter.
        const cardgen::WrittenMovie& last = card.trips[0].chapters[1];
        cardgen::FrameSample s = last.samples.front();
        s.kind = 0x10;
        s.stamp = last.lastStamp + 300;
        s.stamp2 = last.firstStamp;
        QFile protect(card.moveDir + QStringLiteral("/MOV_PRCT.DAT"));
        QVERIFY(protect.open(QIODevice::WriteOnly | QIODevice::Truncate));
        protect.write(cardgen::buildProtectFile(
            1, {cardgen::encodeProtectEntry(s, last.recordingId, last.indexName, 0x01, 0x00)}, {}, {}));
        protect.close();

        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.load(card.moveDir));
        QCOMPARE(rig.list().rowCount(ListType::Event), 1);
        QVERIFY(rig.played(rig.road()->playListRow(ListType::Event, 0)));
        QVERIFY2(alerts.alerts.isEmpty(), qPrintable(alerts.messages().join(QLatin1Char('\n'))));
        const auto& info = rig.player()->_valueInfo;
        QCOMPARE(info->_playType, PlayType::Event);
        const qint64 end = PictureDataUtil::totalLength(info->_chapterDataList);
        QCOMPARE(info->_maxValue, end);
        QCOMPARE(info->_eventValue.value_or(-1), end);
        QCOMPARE(info->_currentValue, info->_minValue);
        QVERIFY(info->_minValue < end);
        QCOMPARE(rig.media->opened.last(), pathOf(info->_chapterDataList.first()));
    }

    void chaptersOfAnotherFormatAreRefusedWhereverTheyArePlayed()
    {
        QTemporaryDir dir;
        cardgen::CardOptions o;
        o.trips = {tripOf(2, 0), tripOf(3, 1)};
        // The second trip's middle chapter is of another format; an event
        // half a second before the end of its first chapter reaches into it.
        o.trips[1].chapterFormatCodes = {{1, 0x0715}};
        o.trips[1].drive.incidents = {{cardgen::Incident::Kind::GShock, 9500, true}};
        const auto card = cardgen::writeCard(dir.filePath(QStringLiteral("card")), o);
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(card.moveDir));
        QVERIFY(alerts.alerts.isEmpty());
        const QStringList unreadable{QStringLiteral("Unable to read the selected file.")};

        // A trip played at the foreign chapter is refused and the player closed;
        // at its first chapter it plays (only the chosen chapter is checked).
        QVERIFY(!rig.played(rig.road()->playTrip(1, 1, false, true)));
        QCOMPARE(alerts.messages(), unreadable);
        QCOMPARE(alerts.alerts.first().style, Alerts::Style::Critical);
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::NotReady);
        QVERIFY(!rig.list().isSelectRowChanging);
        QVERIFY(rig.played(rig.road()->playTrip(1, 0, false, true)));
        QCOMPARE(alerts.alerts.size(), 1);

        // The event's own chapter is readable, its window is not all of it.
        QCOMPARE(rig.list().rowCount(ListType::Event), 1);
        const ChapterWindow window = rig.controller()->cardData()->eventChapterList(*rig.list().event(0));
        QVERIFY(window.chapters && window.chapters->size() == 2);
        QVERIFY(!rig.played(rig.road()->playListRow(ListType::Event, 0)));
        QCOMPARE(alerts.messages(), unreadable + unreadable);
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::NotReady);
        QVERIFY(!rig.list().isSelectRowChanging);
    }

    void theFirstRecordingOfALoadFallsBackQuietlyToSurveillance()
    {
        QTemporaryDir dir;
        const auto card = cardgen::writeCard(dir.filePath(QStringLiteral("card")), mixedCard());
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(card.moveDir));
        // The first trip's second movie goes away after the card was read.
        QVERIFY(QFile::remove(pathOf(rig.list().trip(0)->chapterDataList().at(1))));
        QVERIFY(rig.played(rig.road()->playFirstRecording()));
        QCOMPARE(rig.player()->_valueInfo->_playType, PlayType::Surveillance);
        QCOMPARE(rig.list().currentRow(ListType::Surveillance), 0);
        QVERIFY2(alerts.alerts.isEmpty(), qPrintable(alerts.messages().join(QLatin1Char('\n'))));
        // Asked for by the user, the same trip is refused with the alert.
        QVERIFY(!rig.road()->playListRow(ListType::Trip, 0));
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Unable to locate the file.")});
    }

    void neighbouringTripsAndTheSaveButtonFollowTheOpenedData()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(m_card.moveDir));
        QTRY_VERIFY(rig.player()->saveButton->isEnabled());
        QCOMPARE(rig.player()->saveButton->toolTip(), QStringLiteral("Save"));
        QVERIFY(!rig.player()->_isPrevTrip);
        QVERIFY(rig.player()->_isNextTrip);

        const int last = rig.list().rowCount(ListType::Trip) - 1;
        rig.road()->playNextItem();
        QCOMPARE(rig.list().currentRow(ListType::Trip), 1);
        QVERIFY(lastPlaySettles(*rig.window));
        QVERIFY(rig.player()->_isPrevTrip);
        QVERIFY(rig.played(rig.road()->playListRow(ListType::Trip, last)));
        QVERIFY(!rig.player()->_isNextTrip);
        rig.road()->playNextItem();
        QCOMPARE(rig.list().currentRow(ListType::Trip), last);
        QVERIFY(!rig.controller()->isLoading());

        // The same data opened as a backup folder: no save.
        QVERIFY(rig.load(m_card.moveDir, MovieType::Backup));
        QTRY_VERIFY(rig.player()->isReady());
        QTRY_VERIFY(!rig.player()->saveButton->isEnabled());
        QCOMPARE(rig.player()->saveButton->toolTip(), QString());
        QVERIFY(alerts.alerts.isEmpty());
    }

    void chaptersOfTheOpenTripOnlyMoveThePosition()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(m_card.moveDir));
        const ChapterList chapters = rig.list().trip(0)->chapterDataList();
        const auto model = rig.player()->_valueInfo;
        QVERIFY(rig.road()->playListRow(ListType::TripChapter, 1));
        // Same play list, position at the chapter's start, still playing.
        QCOMPARE(rig.player()->_valueInfo, model);
        QCOMPARE(rig.player()->_valueInfo->currentIndex(), 1);
        QCOMPARE(rig.list().currentRow(ListType::TripChapter), 1);
        QCOMPARE(rig.list().currentRow(ListType::Trip), 0);
        QCOMPARE(rig.media->opened.last(), pathOf(chapters[1]));
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        // A row past the chapters is refused; the title is still brought up to date.
        rig.window->setWindowTitle(QString());
        QVERIFY(!rig.road()->playListRow(ListType::TripChapter, int(chapters.size())));
        QVERIFY(rig.window->windowTitle().contains(pathOf(chapters[1])));
        QVERIFY(alerts.alerts.isEmpty());
    }

    void requestsOutsideTheListChangeNothing()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(m_card.moveDir));
        const int trips = rig.list().rowCount(ListType::Trip);
        QVERIFY(!rig.road()->playTrip(trips, 0, false, true));
        QVERIFY(!rig.road()->playTrip(-1, 0, false, true));
        QVERIFY(!rig.road()->playEvent(rig.list().rowCount(ListType::Event), false));
        QVERIFY(!rig.road()->playAdventure(rig.list().rowCount(ListType::Adventure), 0, false));
        // Not even paused.
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        QCOMPARE(rig.list().currentRow(ListType::Trip), 0);

        // A chapter index past the trip asks for the end of the play list
        // (its length known: the catalogue's workers have read its chapters).
        const ChapterList second = rig.list().trip(1)->chapterDataList();
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(second.begin(), second.end(), [](const auto& c) { return c->hasPicture(); }), 20000);
        QVERIFY(rig.road()->playTrip(1, 99, false, true));
        QCOMPARE(rig.player()->_valueInfo->_currentValue, rig.player()->_valueInfo->_maxValue);
        QVERIFY(alerts.alerts.isEmpty());
    }

    void theStoredVolumeMuteAndBrightnessApplyAtStartUp()
    {
        auto s = SettingsStore::open();
        s->setValue(UserDefaultUtil::KEY_VIEWER_VOLUME, 0.25);
        s->setValue(UserDefaultUtil::KEY_VIEWER_IS_MUTE, true);
        s->setValue(UserDefaultUtil::KEY_VIEWER_GAMMA, 2.0);
        Rig rig;
        QVERIFY(rig.player()->adjustments().isMute());
        QCOMPARE(rig.player()->adjustments().gamma(), 2.0);
        // Muted, the slider stands at 0; unmuting gives back the stored volume.
        QCOMPARE(rig.player()->volumeSlider->doubleValue(), 0.0);
        rig.player()->setIsMute(false);
        QCOMPARE(rig.player()->volumeSlider->doubleValue(), 0.25);
        QCOMPARE(rig.window->windowTitle(), QStringLiteral("KORVELTA REPLAY"));
    }

    void aSlowCardNeverHoldsTheWindowAndThePlayGoesOnOnceItsChaptersArrive()
    {
        QTemporaryDir dir;
        cardgen::CardOptions o;
        o.trips = {tripOf(3, 0), tripOf(2, 1)};
        o.trips[1].drive.incidents = {{cardgen::Incident::Kind::GShock, 3000, true}};
        const auto card = cardgen::writeCard(dir.filePath(QStringLiteral("card")), o);
        AlertLog alerts;
        Rig rig;
        // The load reads the first chapter; from then on every read of a
        // recording waits, as on a card that hangs, until let go.
        HeldCardReads held;
        QSignalSpy finished(rig.controller(), &ViewController::loadFinished);
        rig.controller()->loadData(card.moveDir, true, MovieType::Card);
        QVERIFY(QTest::qWaitFor([&held] { return held.reads.load() >= 1; }, 20000));
        const auto firstChapter = rig.controller()->cardData()->tripList().value(0)->firstChapter();
        HeldCardReads::letGo();
        // (No events meanwhile: the workers start only once the load is told.)
        const QDeadlineTimer read(20000);
        while (!firstChapter->hasPicture() && !read.hasExpired()) QThread::msleep(1);
        QVERIFY(firstChapter->hasPicture());
        HeldCardReads::shut();
        QVERIFY(finished.wait(20000));
        QTRY_COMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        const ChapterList trip = rig.list().trip(0)->chapterDataList();
        QVERIFY(!trip[1]->hasPicture());

        GuiPulse pulse;
        // A seek into the next chapter: the date is the chapter's start from
        // its index record, and the clock waits there for the chapter.
        const qint64 inSecond = rig.player()->_valueInfo->chapterStart(1) + 2000;
        rig.player()->trackbar->setIntegerValue(inSecond);
        rig.player()->userValueChanged();
        QCOMPARE(rig.player()->datetimeLabel->text(),
                 PlayerRules::datetimeLabelText(false, trip[1]->_vmmInfo->_datetime, std::nullopt));
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        QVERIFY(rig.player()->isWaitingForChapter());
        QTest::qWait(100);
        QCOMPARE(rig.player()->trackbar->integerValue(), inSecond);

        // Another trip, then an event: each waits for its chapters with the
        // player's loading text, the newer choice in place of the older.
        QVERIFY(rig.road()->playListRow(ListType::Trip, 1));
        QVERIFY(rig.road()->isWaitingForChapters());
        QVERIFY(rig.player()->loadingText->isVisible());
        QCOMPARE(rig.player()->loadingText->text(), QStringLiteral("Now Loading"));
        QCOMPARE(rig.list().currentRow(ListType::Trip), 1);
        QCOMPARE(rig.list().rowCount(ListType::Event), 1);
        QVERIFY(rig.road()->playListRow(ListType::Event, 0));
        QVERIFY(rig.road()->isWaitingForChapters());
        QCOMPARE(rig.list().currentRow(ListType::Event), 0);
        QTest::qWait(200);
        QVERIFY2(!pulse.stalled(), "the GUI thread waited for the card");
        QVERIFY(pulse.ticks() > 20);
        QVERIFY(held.reads.load() >= 1);

        // Let go: the event plays (the trip chosen before it does not), and
        // its date comes from the frame at the position.
        held.letGo();
        QVERIFY(lastPlaySettles(*rig.window));
        const auto& info = rig.player()->_valueInfo;
        QCOMPARE(info->_playType, PlayType::Event);
        QVERIFY(!rig.player()->loadingText->isVisible());
        rig.player()->onMoviePlayButton();
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Play);
        const qint64 from = rig.player()->trackbar->integerValue();
        QTRY_VERIFY(rig.player()->trackbar->integerValue() > from + 100);
        rig.player()->pause();
        rig.player()->updateDatetimeLabel();
        const VideoFramePtr frame = PictureDataUtil::loadedVideoFrame(
            info->_chapterDataList, std::int32_t(rig.player()->trackbar->integerValue()));
        QVERIFY(frame);
        QCOMPARE(rig.player()->datetimeLabel->text(), PlayerRules::datetimeLabelText(false, frame->time(), std::nullopt));
        QVERIFY(!pulse.stalled());
        QVERIFY2(alerts.alerts.isEmpty(), qPrintable(alerts.messages().join(QLatin1Char('\n'))));
    }

    void theStopButtonEndsACutSelection()
    {
        AlertLog alerts;
        Rig rig;
        QVERIFY(rig.loadPlaying(m_card.moveDir));
        rig.player()->setCutSelection(true);
        QVERIFY(rig.player()->trackbar->selectFrame());
        rig.player()->onMovieStopButton();
        QVERIFY(!rig.player()->trackbar->selectFrame());
        QCOMPARE(rig.player()->currentStatus(), PlayStatus::Stop);
    }

private:
    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
};

KR_TEST_MAIN(TestPlayRoad)
#include "tst_playroad.moc"
