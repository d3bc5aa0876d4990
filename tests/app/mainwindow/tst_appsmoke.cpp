// The application as it starts: the main window built with its start-up
// (settings, first launch, title), the demo card opened, and a screenshot of
// the loaded window left in the build folder for a person to look at.

#include "AppTestSupport.h"
#include "TestMain.h"
#include "app/catalog/RecordingListModel.h"
#include "app/catalog/VideoListView.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/ViewController.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"

#include <QAction>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <sys/stat.h>

using namespace apptest;

namespace {
// The file's inode and change time: a rewrite gives new ones.
std::pair<ino_t, qint64> stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {0, 0};
    return {st.st_ino, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}
} // namespace

class TestAppSmoke : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
        UserDefaultUtil::resetToInitialValues();
    }

    void theFirstStartAsksForTheViewerSettingsOnce()
    {
        int launched = 0;
        {
            MainWindow window(nullptr, quiet());
            // A launcher that could not show the dialog leaves the first launch to come.
            window.controller()->setViewerSettingsLauncher([&launched] { return ++launched > 1; });
            QTRY_COMPARE(launched, 1);
            QTest::qWait(20);
            QVERIFY(!SettingsStore::open()->value(UserDefaultUtil::KEY_FIRST_LAUNCH).toBool());
        }
        {
            MainWindow window(nullptr, quiet());
            window.controller()->setViewerSettingsLauncher([&launched] { return ++launched > 1; });
            QTRY_COMPARE(launched, 2);
            QVERIFY(SettingsStore::open()->value(UserDefaultUtil::KEY_FIRST_LAUNCH).toBool());
        }
        MainWindow again(nullptr, quiet());
        again.controller()->setViewerSettingsLauncher([&launched] { return ++launched > 1; });
        QTest::qWait(50);
        QCOMPARE(launched, 2);
    }

    void aPlainStartAndASliderDragLeaveTheSettingsFileToTheStoresWriter()
    {
        // The player's settings as another program wrote them: a start that
        // stored them again, or a drag that stored each step, would rewrite
        // the file from the GUI thread.
        const QString file = m_dir.filePath(QStringLiteral("start.ini"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[General]\nTALMERO_ViewerFirstLaunch = true\nviewerVolume = 0.5\nviewerIsMute = false\n"
                    "viewerGamma = 1.5\n");
        }
        SettingsStore::useFile(file);
        UserDefaultUtil::resetToInitialValues();
        SettingsStore::setWriteDelay(std::chrono::hours(1));
        const quint64 writes = SettingsStore::writeCount();
        const auto stamp = stampOf(file);
        {
            MainWindow window(nullptr, quiet());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            CustomSliderCellMin* volume = window.moviePlayerView()->volumeSlider;
            QCOMPARE(volume->doubleValue(), 0.5);
            QCOMPARE(window.moviePlayerView()->brightSlider->doubleValue(), 1.5);
            // The values a start applies are the ones it read: nothing to write.
            QCOMPARE(SettingsStore::flush(), QString());
            QCOMPARE(SettingsStore::writeCount(), writes);
            QCOMPARE(stampOf(file), stamp);

            const int y = int(CustomSliderCellMin::BAND_HEIGHT / 2);
            QTest::mousePress(volume, Qt::LeftButton, {}, QPoint(volume->width() / 4, y));
            for (int x = volume->width() / 4; x < volume->width() * 3 / 4; x += 4)
                QTest::mouseMove(volume, QPoint(x, y));
            QTest::mouseRelease(volume, Qt::LeftButton, {}, QPoint(volume->width() * 3 / 4, y));
            QVERIFY(SettingsStore::open()->value(UserDefaultUtil::KEY_VIEWER_VOLUME).toFloat() > 0.6f);
            QCOMPARE(SettingsStore::writeCount(), writes);
            QCOMPARE(stampOf(file), stamp);

            // Once the drag has stopped for the writer's delay: one write.
            SettingsStore::setWriteDelay(std::chrono::milliseconds(10));
            QTRY_COMPARE(SettingsStore::writeCount(), writes + 1);
            QCOMPARE(SettingsStore::flush(), QString());
            QCOMPARE(SettingsStore::writeCount(), writes + 1);
        }
        SettingsStore::setWriteDelay(SettingsStore::DEFAULT_WRITE_DELAY);
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
    }

    void theWindowCarriesTheListTheAreaAndTheCommands()
    {
        MainWindow window(nullptr, quiet());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.objectName(), QStringLiteral("Main"));
        QCOMPARE(window.windowTitle(), QStringLiteral("KORVELTA REPLAY"));
        QVERIFY(window.videoListView()->isVisible());
        QVERIFY(window.playerArea());
        QCOMPARE(window.openAction()->text(), QStringLiteral("Open"));
        QCOMPARE(window.aboutAction()->text(), QStringLiteral("About KORVELTA REPLAY"));
        QCOMPARE(window.quitAction()->text(), QStringLiteral("Quit"));

        // The player's view takes the placeholder's place.
        auto* area = new QWidget;
        window.setPlayerArea(area);
        QCOMPARE(window.playerArea(), area);
        QVERIFY(area->isVisible());
    }

    void theAboutBoxOpensAndCloses()
    {
        MainWindow window(nullptr, quiet());
        bool shown = false;
        QTimer::singleShot(50, [&shown] {
            shown = ModalWindow::current() != nullptr;
            ModalWindow::abortModal();
        });
        window.aboutAction()->trigger();
        QVERIFY(shown);
    }

    void floatingWindowsDropToTheNormalLevelWhileAnAlertRuns()
    {
        MainWindow window(nullptr, quiet());
        QWidget stopwatch(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
        stopwatch.show();
        QWidget ordinary(nullptr, Qt::Tool);
        window.controller()->addFloatingWindow(&stopwatch);
        window.controller()->addFloatingWindow(&ordinary);
        bool loweredDuringAlert = false;
        bool ordinaryUntouched = false;
        Alerts::setInterceptor([&](const Alerts::Alert&) {
            loweredDuringAlert = !(stopwatch.windowFlags() & Qt::WindowStaysOnTopHint) && stopwatch.isVisible();
            ordinaryUntouched = !(ordinary.windowFlags() & Qt::WindowStaysOnTopHint);
            return Alerts::FIRST_BUTTON;
        });
        Alerts::warning(&window, QStringLiteral("x"));
        Alerts::setInterceptor({});
        QVERIFY(loweredDuringAlert);
        QVERIFY(ordinaryUntouched);
        QVERIFY(stopwatch.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(stopwatch.isVisible());
        QVERIFY(!(ordinary.windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void opensTheDemoCardAndSavesAScreenshot()
    {
        cardgen::CardOptions demo = cardgen::demoCardOptions();
        const auto written = cardgen::writeCard(m_dir.filePath(QStringLiteral("demo")), demo);

        MainWindow window(nullptr, quiet());
        window.resize(1280, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ViewController* c = window.controller();
        QSignalSpy finished(c, &ViewController::loadFinished);
        AlertLog alerts;
        c->loadData(written.moveDir, true, MovieType::Card);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        QVERIFY2(alerts.alerts.isEmpty(), qPrintable(alerts.messages().join(QLatin1Char('|'))));
        RecordingListModel* model = window.videoListView()->tableModel();
        QCOMPARE(model->rowCount(), int(window.videoListView()->list().trips().size()));
        QVERIFY(model->rowCount() > 0);
        QCOMPARE(window.videoListView()->selectedTableRow(), 0);

        // Thumbnails arrive as the workers make them.
        const auto allThumbnails = [model] {
            for (int r = 0; r < model->rowCount(); ++r)
                if (model->index(r, RecordingListModel::ImageColumn).data(RecordingListModel::PathRole).toString().isEmpty())
                    return false;
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(allThumbnails(), 60000);
        QTest::qWait(100);
        const QString shot = QStringLiteral(KR_BINARY_DIR) + QStringLiteral("/mainwindow-loaded.png");
        QVERIFY(window.grab().save(shot));
        QVERIFY(QFileInfo(shot).size() > 0);
    }

private:
    QTemporaryDir m_dir;
};

KR_TEST_MAIN(TestAppSmoke)
#include "tst_appsmoke.moc"
