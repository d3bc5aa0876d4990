// The player's control row as a user sees it inside the main window, at a
// 1000-pixel and a 1280-pixel wide window: every control whole and apart,
// the three sliders wide enough to use, the brightness and volume values
// readable while dragging, the zoom menu under its button from the first
// opening, a right-hand group that stays put whatever the speed, and the
// empty player's dark backdrop. A picture of each width is left in the build
// folder for a person to look at.

#include "AppTestSupport.h"
#include "TestMain.h"
#include "app/mainwindow/MainWindow.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "app/player/NSZoomView.h"
#include "app/player/PlayerView.h"
#include "app/shell/EXTextButton.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#ifndef KR_BINARY_DIR
#define KR_BINARY_DIR "."
#endif

namespace {

QRect inWindow(const QWidget* w)
{
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

bool near(QColor a, QColor b, int tolerance = 6)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class TestPlayerControlRow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        apptest::useOwnSettings(m_dir);
    }

    void theControlRowInTheMainWindow_data()
    {
        QTest::addColumn<int>("width");
        QTest::addRow("1000 px") << 1000;
        QTest::addRow("1280 px") << 1280;
    }

    void theControlRowInTheMainWindow()
    {
        QFETCH(int, width);
        MainWindow window(nullptr, apptest::offlineOptions(true));
        window.resize(width, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        MoviePlayerView* p = window.moviePlayerView();
        // The zoom menu opens under its button, the first time (before the
        // window was ever resized) as after a resize.
        const auto menuOpensUnderItsButton = [p] {
            p->zoomController().openZoomMenu();
            const QPoint under(p->zoomButton->mapTo(p, QPoint(0, 0)).x(),
                               p->toolsView->geometry().bottom() + 1);
            const bool placed = p->zoomMenu->isVisible() && p->zoomMenu->pos() == under;
            p->zoomController().hideZoomMenu();
            return placed;
        };
        QVERIFY(menuOpensUnderItsButton());

        // The window takes the width asked for and the list keeps its column:
        // the row makes room within the player's own width.
        QCOMPARE(window.width(), width);
        QCOMPARE(window.findChild<QWidget*>(QStringLiteral("leftColumn"))->width(),
                 MainWindow::LEFT_COLUMN_WIDTH);

        // Every control lies whole inside the row, clear of every other one,
        // and the sliders keep a usable width.
        QWidget* row = p->controllerView;
        QVERIFY(window.rect().contains(inWindow(row)));
        QList<QRect> taken;
        for (QWidget* w : std::initializer_list<QWidget*>{
                 p->movieFirstButton, p->movieRewindButton, p->movieKomaBackButton, p->moviePlayButton,
                 p->moviePauseButton, p->movieStopButton, p->movieKomaGoButton, p->movieForwardButton,
                 p->movieLastButton, p->diffSecLabel, p->brightButton, p->brightSlider, p->volumeButton,
                 p->volumeSlider, p->playSpeedSlowLabel, p->playSpeedSlider, p->playSpeedFastLabel,
                 p->playSpeedRateLabel, p->fullscreenButton}) {
            if (w->isHidden()) continue;
            const QRect at(w->mapTo(row, QPoint(0, 0)), w->size());
            QVERIFY2(row->rect().contains(at) && w->isVisible(), w->metaObject()->className());
            for (const QRect& other : std::as_const(taken))
                QVERIFY2(!other.intersects(at), w->metaObject()->className());
            taken.append(at);
        }
        for (CustomSliderCellMin* s : {p->brightSlider, p->volumeSlider, p->playSpeedSlider})
            QVERIFY2(s->width() >= MoviePlayerView::SMALL_SLIDER_MIN_WIDTH, qPrintable(s->identifier()));

        // The empty player: dark grey at the top fading to black at the bottom.
        const QImage surface = p->playerView->grab().toImage();
        const int mid = surface.width() / 2;
        QVERIFY(near(surface.pixelColor(mid, 0), PlayerView::gradientTopColor()));
        QVERIFY(near(surface.pixelColor(mid, surface.height() - 1), PlayerView::gradientBottomColor()));
        QVERIFY(qAbs(surface.pixelColor(mid, surface.height() / 2).red() - 42) < 20);

        // Each speed's text fits its label, and the group never moves.
        const QRect fast = p->playSpeedFastLabel->geometry();
        const QRect rate = p->playSpeedRateLabel->geometry();
        const QRect full = p->fullscreenButton->geometry();
        for (int position = 5; position >= 0; --position) {
            p->playSpeedSlider->setDoubleValue(position);
            p->applyPlaySpeed();
            QCoreApplication::processEvents();
            const QString text = p->playSpeedRateLabel->text();
            QVERIFY2(p->playSpeedRateLabel->fontMetrics().horizontalAdvance(text) <= rate.width(),
                     qPrintable(text));
            QCOMPARE(p->playSpeedFastLabel->geometry(), fast);
            QCOMPARE(p->playSpeedRateLabel->geometry(), rate);
            QCOMPARE(p->fullscreenButton->geometry(), full);
        }

        // While the brightness or volume slider is dragged its value shows
        // whole, right above the slider's left end.
        for (CustomSliderCellMin* s : {p->brightSlider, p->volumeSlider}) {
            QTest::mousePress(s, Qt::LeftButton, {}, QPoint(s->width() / 2, 4));
            QLabel* label = s->valueLabel();
            QVERIFY(label && label->isVisible());
            QCOMPARE(label->text(), s->valueText());
            QVERIFY(label->parentWidget()->rect().contains(label->geometry()));
            const QRect at = inWindow(label);
            QCOMPARE(at.bottomLeft() + QPoint(0, 1), inWindow(s).topLeft());
            const QImage seen = window.grab().toImage();
            // On its light grey ground, two thirds white (most of it: the text is small and tight).
            int ground = 0;
            for (int y = at.top(); y <= at.bottom(); ++y)
                for (int x = at.left(); x <= at.right(); ++x) ground += near(seen.pixelColor(x, y), QColor(170, 170, 170));
            QVERIFY2(ground * 2 > at.width() * at.height(), qPrintable(QString::number(ground)));
            if (s == p->brightSlider)
                QVERIFY(seen.save(QStringLiteral(KR_BINARY_DIR "/player-control-row-%1.png").arg(width)));
            QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(s->width() / 2, 4));
            QVERIFY(!label->isVisible());
        }

        window.resize(width == 1000 ? 1280 : 1000, 800);
        QTRY_VERIFY(window.width() != width);
        QVERIFY(menuOpensUnderItsButton());
    }

private:
    QTemporaryDir m_dir;
};

KR_TEST_MAIN(TestPlayerControlRow)
#include "tst_playercontrolrow.moc"
