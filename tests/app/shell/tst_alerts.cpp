// Every question the application asks, answered the way a hurried user
// answers it: Escape, the window's close button, or the button that goes
// ahead. On the real message box Escape and closing must give the safe
// answer, each button carrying the role of its meaning; and every question
// the application asks must offer such a safe answer, which its caller takes
// as "do not".

#include "AppTestSupport.h"
#include "FakeMainWindowViews.h"
#include "FakeMediaPlayer.h"
#include "TestMain.h"
#include "app/backup/BackupSettingDialog.h"
#include "app/backup/CleanupDelegate.h"
#include "app/backup/CleanupDialog.h"
#include "app/mainwindow/MainWindow.h"
#include "app/map/GoogleEarthExport.h"
#include "app/player/MoviePlayerView.h"
#include "app/settings/CameraSettingDialog.h"
#include "app/settings/ViewerSettingDialog.h"
#include "app/shell/Alerts.h"
#include "app/tools/TrimView.h"
#include "core/backup/BackupTreeModel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

namespace {

struct Stopwatch : StopWatchInterface {
    int resets = 0;
    bool isReady() const override { return resets > 0; }
    void reset() override { ++resets; }
};

enum class Way { Escape, Close, GoAhead };

// Answers the next message box in the given way. `seen` holds what it
// offered: "text:role" per button, then the Escape and the default button's
// texts; "stayed open" when the answer did not close it (it is then ended with
// its last button, so that the test fails instead of hanging).
struct NextBox {
    QStringList seen;
    QTimer poll;

    NextBox(Way way, const QString& goAhead)
    {
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [this, way, goAhead] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            poll.stop();
            for (QAbstractButton* b : box->buttons())
                seen << QStringLiteral("%1:%2").arg(b->text()).arg(int(box->buttonRole(b)));
            seen << (box->escapeButton() ? box->escapeButton()->text() : QString())
                 << box->defaultButton()->text();
            if (way == Way::Escape) QTest::keyClick(box, Qt::Key_Escape);
            if (way == Way::Close) box->close();
            for (QAbstractButton* b : box->buttons())
                if (way == Way::GoAhead && b->text() == goAhead) b->click();
            QPointer<QMessageBox> open(box);
            QTimer::singleShot(100, &poll, [this, open] {
                if (!open || !open->isVisible()) return;
                seen << QStringLiteral("stayed open");
                open->buttons().constLast()->click();
            });
        });
        poll.start();
    }
};

// A translation that has the alerts' own titles and buttons, but not a
// copy of them that a caller made by hand: such a button no longer reads as
// "Cancel" or "No" and loses its role.
class AlertsOnlyTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "Alerts") != 0) return {};
        return QStringLiteral("<%1>").arg(QString::fromUtf8(source));
    }
};

// The main window's side of a clean-up.
struct OpenDataSide : CleanupDelegate {
    bool closed = false;
    void cleanupDidUpdateFolders() override {}
    void reopenData(const QString&) override {}
    bool canCloseOpenData() override { return true; }
    QString openDataPath() override { return {}; }
    void closeOpenData(std::function<void()> whenClosed) override
    {
        closed = true;
        whenClosed();
    }
};

} // namespace

Q_DECLARE_METATYPE(Way)

class TestAlerts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        apptest::useOwnSettings(m_dir);
        InstanceGuard::setLockDirectory(m_dir.filePath(QStringLiteral("locks")));
        m_card = cardgen::writeCard(m_dir.filePath(QStringLiteral("card")), apptest::mixedCard());
        m_backups = m_dir.filePath(QStringLiteral("backups"));
        QVERIFY(QDir().mkpath(m_backups));
    }
    void cleanup()
    {
        Alerts::setInterceptor({});
        restartRequested = false;
        apptest::resetSettings();
    }

    void everyQuestionTakesTheSafeAnswerOnEscapeAndClose_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<Way>("way");
        // The question the application asks today, then the two other
        // shapes its questions take: "OK" first, and "No" then "Yes".
        for (const char* q : {"stopwatch result", "OK then Cancel", "No then Yes"}) {
            QTest::addRow("%s: Escape", q) << QString::fromLatin1(q) << Way::Escape;
            QTest::addRow("%s: close", q) << QString::fromLatin1(q) << Way::Close;
            QTest::addRow("%s: go ahead", q) << QString::fromLatin1(q) << Way::GoAhead;
        }
    }

    void everyQuestionTakesTheSafeAnswerOnEscapeAndClose()
    {
        QFETCH(QString, question);
        QFETCH(Way, way);
        MainWindow window(nullptr, apptest::offlineOptions(false));
        Stopwatch stopwatch;
        window.controller()->setStopWatch(&stopwatch);

        const QString ok = Alerts::buttonOk(), cancel = Alerts::buttonCancel();
        const QString yes = Alerts::buttonYes(), no = Alerts::buttonNo();
        const auto role = [](const QString& text, QMessageBox::ButtonRole r) {
            return QStringLiteral("%1:%2").arg(text).arg(int(r));
        };
        NextBox next(way, question == QLatin1String("No then Yes") ? yes : ok);
        bool wentAhead = false;
        QStringList expected;
        if (question == QLatin1String("stopwatch result")) {
            wentAhead = window.controller()->confirmStopwatchDiscard();
            // Only going ahead drops the measurement.
            QCOMPARE(stopwatch.resets, wentAhead ? 1 : 0);
            expected = {role(cancel, QMessageBox::RejectRole), role(ok, QMessageBox::AcceptRole), cancel,
                        cancel};
        } else if (question == QLatin1String("OK then Cancel")) {
            wentAhead = Alerts::confirm(&window, QStringLiteral("Overwrite?")) == Alerts::FIRST_BUTTON;
            expected = {role(ok, QMessageBox::AcceptRole), role(cancel, QMessageBox::RejectRole), cancel, ok};
        } else {
            wentAhead =
                Alerts::confirm(&window, QStringLiteral("Launch?"), {no, yes}) == Alerts::FIRST_BUTTON + 1;
            expected = {role(no, QMessageBox::NoRole), role(yes, QMessageBox::YesRole), no, no};
        }
        QStringList offered = next.seen;
        QVERIFY(offered.size() >= 2);
        // Buttons of one role may be laid out in any order.
        std::sort(offered.begin(), offered.begin() + 2);
        std::sort(expected.begin(), expected.begin() + 2);
        QCOMPARE(offered, expected);
        QCOMPARE(wentAhead, way == Way::GoAhead);
    }

    void aNoticeClosesWithEscapeAndAChoiceWithoutSafeButtonHasNoEscape()
    {
        NextBox next(Way::Escape, QString());
        QCOMPARE(Alerts::warning(nullptr, QStringLiteral("Unable to locate the file.")),
                 Alerts::FIRST_BUTTON);
        QCOMPARE(next.seen.size(), 3); // one button, Escape and default on it
        QCOMPARE(next.seen.at(1), Alerts::buttonOk());

        Alerts::Alert choice{Alerts::titleWarning(),
                             QStringLiteral("x"),
                             Alerts::Style::Critical,
                             {QStringLiteral("Retry"), QStringLiteral("ignore")}};
        QVERIFY(!Alerts::escapeAnswer(choice));
        choice.buttons.insert(1, Alerts::buttonCancel());
        QCOMPARE(Alerts::escapeAnswer(choice), std::optional<int>(Alerts::FIRST_BUTTON + 1));
    }

    void anAlertShowsItsTitleAndAOneLineMessageWhole()
    {
        struct Case {
            Alerts::Alert alert;
            int lines; // the most lines the message may take
        };
        const QList<Case> cases{
            {{Alerts::titleConfirmation(), QStringLiteral("Launch Google Earth now?"), Alerts::Style::Informational,
              {Alerts::buttonNo(), Alerts::buttonYes()}},
             1},
            {{Alerts::titleWarning(), QStringLiteral("There is no backup folder."), Alerts::Style::Critical, {}}, 1},
            {{Alerts::titleConfirmation(),
              QStringLiteral("This will delete the backup folder and all its contents. Are you sure?"),
              Alerts::Style::Informational,
              {}},
             2},
        };
        for (const Case& c : cases) {
            QString seen;
            QTimer poll;
            poll.setInterval(5);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box || !box->isVisible()) return;
                poll.stop();
                auto* title = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                auto* message = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
                const QFontMetrics titleBar(QApplication::font("QMdiSubWindowTitleBar"));
                // The lines the message is laid out in at its label's width.
                const int lines = message ? message->fontMetrics()
                                                    .boundingRect(QRect(0, 0, message->width(), 1000),
                                                                  Qt::TextWordWrap, message->text())
                                                    .height() /
                                                message->fontMetrics().lineSpacing()
                                          : 0;
                QStringList problems;
                if (box->width() < Alerts::ALERT_WIDTH) problems << QStringLiteral("%1 wide").arg(box->width());
                // A title bar keeps room for the window's own buttons.
                if (titleBar.horizontalAdvance(box->windowTitle()) + 120 > box->width()) problems << QStringLiteral("title bar cut");
                if (!title || title->width() < title->fontMetrics().horizontalAdvance(c.alert.title)) problems << QStringLiteral("title cut");
                if (!message || lines < 1 || lines > c.lines) problems << QStringLiteral("%1 lines").arg(lines);
                seen = problems.join(QStringLiteral(", "));
                box->buttons().constFirst()->click();
            });
            poll.start();
            Alerts::show(nullptr, c.alert);
            QCOMPARE(seen, QString());
        }
    }

    void everyQuestionOfTheApplicationHasASafeAnswerItsCallerHonours_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("asks");    // how its message begins
        QTest::addColumn<QString>("goAhead"); // the button that goes ahead
        const auto row = [](const char* name, const char* question, const char* asks, const char* goAhead) {
            QTest::newRow(name) << QString::fromLatin1(question) << QString::fromLatin1(asks)
                                << QString::fromLatin1(goAhead);
        };
        row("stopwatch result", "stopwatch", "The Stopwatch measurement", "OK");
        row("quit", "quit", "This will close", "OK");
        row("restart after viewer settings", "restart", "Settings will be reflected", "OK");
        row("overwrite camera settings", "camera", "This will overwrite the setup file", "OK");
        row("overwrite a backup", "backup", "The folder already exists", "OK");
        row("delete backed-up chapters", "cleanup", "The selected chapter(s) will be deleted", "OK");
        row("delete data that is open", "cleanup of open data", "A file in the backup folder", "OK");
        row("a file that will not go", "cleanup failure", "The action can't be completed", "ignore");
        row("long burn-in", "trim", "It will take more than", "OK");
        row("launch Google Earth", "google earth", "Launch Google Earth now?", "Yes");
    }
    void everyQuestionOfTheApplicationHasASafeAnswerItsCallerHonours()
    {
        QFETCH(QString, question);
        QFETCH(QString, asks);
        QFETCH(QString, goAhead);
        AlertsOnlyTranslator translator;
        QCoreApplication::installTranslator(&translator);
        if (goAhead == QLatin1String("OK")) goAhead = Alerts::buttonOk();
        if (goAhead == QLatin1String("Yes")) goAhead = Alerts::buttonYes();
        const std::function<bool()> drive = driverOf(question);
        for (const bool goingAhead : {false, true}) {
            QList<Alerts::Alert> asked;
            Alerts::setInterceptor([&](const Alerts::Alert& a) {
                if (a.message.startsWith(asks)) {
                    asked.append(a);
                    return goingAhead ? Alerts::FIRST_BUTTON + int(a.buttons.indexOf(goAhead))
                                      : Alerts::escapeAnswer(a).value_or(-1);
                }
                // Questions before it go ahead; notices take their button.
                return Alerts::FIRST_BUTTON + int(std::max<qsizetype>(0, a.buttons.indexOf(Alerts::buttonOk())));
            });
            const bool wentAhead = drive();
            Alerts::setInterceptor({});
            QCOMPARE(asked.size(), 1);
            const std::optional<int> safe = Alerts::escapeAnswer(asked.first());
            QVERIFY2(safe, qPrintable(asked.first().buttons.join(QLatin1Char(' '))));
            const QString safeButton = asked.first().buttons.value(*safe - Alerts::FIRST_BUTTON);
            QVERIFY(safeButton == Alerts::buttonCancel() || safeButton == Alerts::buttonNo());
            QCOMPARE(wentAhead, goingAhead);
        }
        QCoreApplication::removeTranslator(&translator);
    }

private:
    // Brings up one question of the application the way a user does and
    // answers whether what it asked about went ahead.
    std::function<bool()> driverOf(const QString& question)
    {
        if (question == QLatin1String("stopwatch"))
            return [] {
                MainWindow window(nullptr, apptest::offlineOptions(false));
                Stopwatch stopwatch;
                window.controller()->setStopWatch(&stopwatch);
                return window.controller()->confirmStopwatchDiscard() && stopwatch.resets == 1;
            };
        if (question == QLatin1String("quit"))
            return [] {
                MainWindow window(nullptr, apptest::offlineOptions(false));
                ReadyPlayer player;
                window.controller()->setPlayer(&player);
                const bool ends = window.controller()->confirmQuit();
                window.controller()->setPlayer(nullptr);
                return ends;
            };
        if (question == QLatin1String("restart"))
            return [] {
                apptest::resetSettings();
                ViewerSettingDialog d;
                d.rbtnSpeedMeter->button(d.rbtnSpeedMeter->checkedId() == 0 ? 1 : 0)->setChecked(true);
                d.saveSettings();
                return QTest::qWaitFor([&d] { return !d.isSaving(); }) && bool(restartRequested);
            };
        if (question == QLatin1String("camera"))
            return [] {
                QTemporaryDir card;
                CameraSettingDialog d;
                d.showDialog();
                d.defaultDirPath = card.path();
                d.saveSettings();
                return QFileInfo::exists(QDir(card.path()).filePath(QStringLiteral("GROUP.DAT")));
            };
        if (question == QLatin1String("backup"))
            return [this] {
                const auto card = CardData::create();
                card->readCardData(m_card.moveDir);
                BackupSettingDialog d;
                d.cardData = card;
                d.pathBackup = m_backups;
                d.prepare();
                if (!QTest::qWaitFor([&d] { return !d.isReading(); }, 20000)) return false;
                d.btnCheckOn()->click();
                QDir().mkpath(m_backups + QStringLiteral("/Earlier"));
                d.txtFolderName()->setText(QStringLiteral("Earlier"));
                d.btnOk()->click();
                return d.lastStatus().has_value();
            };
        if (question.startsWith(QLatin1String("cleanup")))
            return [this, question] {
                const QString backup = makeBackup();
                OpenDataSide side;
                CleanupDialog d;
                d.backupRootPath = m_backups;
                d.cleanupDirPath = backup;
                d.viewControllerDelegate = &side;
                if (question.endsWith(QLatin1String("open data")))
                    d.openSourcePath = backup + QStringLiteral("/VREC_MOV_MNG.DAT");
                d.showCleanup();
                if (!QTest::qWaitFor([&d] { return !d.isReading(); }, 10000)) return false;
                BackupTreeModel* m = d.model();
                const QString first = m->backups()[0].children[0].filePath;
                const QString second = m->backups()[0].children[1].filePath;
                if (question.endsWith(QLatin1String("failure"))) {
                    // A folder where the chapter was: it will not go.
                    QFile::remove(first);
                    QDir().mkpath(first + QStringLiteral("/x"));
                }
                for (int row : {0, 1})
                    m->setData(m->index(row, BackupTreeModel::ChapterColumn, m->index(0, 0)), Qt::Checked,
                               Qt::CheckStateRole);
                d.btnOk()->click();
                if (question.endsWith(QLatin1String("open data"))) return side.closed;
                return !QFileInfo::exists(second);
            };
        if (question == QLatin1String("trim"))
            return [] {
                bool askedForFile = false;
                ToolSupport::setSavePanel([&](const QString&, const QString&) {
                    askedForFile = true;
                    return QString();
                });
                TrimView trim;
                ToolInfo info;
                info.selectStartSumFrameTS = 0;
                info.selectEndSumFrameTS = TrimView::LONG_BURN_IN_MS;
                trim.toolinfo = info;
                trim.checks().chkSpeed->setChecked(true);
                trim.save();
                ToolSupport::setSavePanel({});
                return askedForFile;
            };
        // Google Earth: offered once a playing recording's route is written.
        return [this] {
            ViewController::Options o = apptest::offlineOptions(true);
            o.loadDelayMs = 0;
            o.playerFactory = [](MoviePlayerView& view) -> MediaPlayer* {
                auto* fake = new FakeMediaPlayer(&view);
                fake->duration = 10000;
                QObject::connect(fake, &MediaPlayer::statusChanged, fake, [fake](MediaPlayer::ItemStatus s) {
                    if (s == MediaPlayer::ItemStatus::Unknown)
                        QTimer::singleShot(0, fake, [fake] { fake->becomeReady(); });
                });
                return fake;
            };
            MainWindow window(nullptr, o);
            QSignalSpy loaded(window.controller(), &ViewController::loadFinished);
            window.controller()->loadData(m_card.moveDir, false, MovieType::Card);
            if (!loaded.wait(20000) || !QTest::qWaitFor([&] { return window.moviePlayerView()->isReady(); }, 10000))
                return false;
            GoogleEarthExport exporter(&window, window.moviePlayerView());
            exporter.askDestination = [this](const QString&) { return m_dir.filePath(QStringLiteral("route.kmz")); };
            exporter.findProgram = [] { return std::optional<QString>(QStringLiteral("/opt/earth/googleearth")); };
            bool launched = false;
            exporter.launch = [&](const QString&, const QString&) { return launched = true; };
            QSignalSpy finished(&exporter, &GoogleEarthExport::finished);
            exporter.exportGoogleEarth();
            if (!finished.wait(20000)) return false;
            return launched;
        };
    }

    // A backup folder as a backup makes it.
    QString makeBackup()
    {
        return apptest::makeBackupFolder(m_dir, m_backups, QStringLiteral("backup%1").arg(++m_backupCount),
                                         apptest::mixedCard());
    }

    QTemporaryDir m_dir;
    cardgen::WrittenCard m_card;
    QString m_backups;
    int m_backupCount = 0;
};

KR_TEST_MAIN(TestAlerts)
#include "tst_alerts.moc"
