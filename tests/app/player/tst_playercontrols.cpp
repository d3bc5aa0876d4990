#include "FakeMediaPlayer.h"
#include "TestMain.h"
#include "app/player/BrightView.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/FilterView.h"
#include "app/player/NSZoomView.h"
#include "app/player/PlayerAdjustments.h"
#include "app/player/PlayerImages.h"
#include "app/shell/EXTextButton.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Host : PlayerAdjustmentsHost {
    bool playing = false;
    QList<float> clockRates;
    bool isPlaying() const override { return playing; }
    bool isWaitingForChapter() const override { return false; }
    void setClockRate(float rate) override { clockRates.append(rate); }
};

struct Rig {
    QWidget panel;
    CustomSliderCellMin* bright = new CustomSliderCellMin(CustomSliderCellMin::bri, &panel);
    CustomSliderCellMin* volume = new CustomSliderCellMin(CustomSliderCellMin::vol, &panel);
    CustomSliderCellMin* speed = new CustomSliderCellMin(CustomSliderCellMin::sp, &panel);
    QPushButton* volumeButton = new QPushButton(&panel);
    QLabel* rateLabel = new QLabel(&panel);
    Host host;
    FakeMediaPlayer player;
    PlayerAdjustments adjust{{bright, volume, speed, volumeButton, rateLabel}, host};
    Rig() { adjust.setMediaPlayer(&player); }
};

QVariant stored(const QString& key)
{
    return SettingsStore::open()->value(key);
}

struct CountingDelegate : ZoomViewDelegate, FilterViewDelegate {
    int ends = 0;
    int clicks = 0;
    void endZoomMenuMode() override { ++ends; }
    void overlayClicked() override { ++clicks; }
};

void moveMouse(QWidget* widget, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

} // namespace

class TestPlayerControls : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        SettingsStore::setIdentity();
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
    }

    // Brightness, volume, mute and speed.

    void brightnessIsClampedAppliedAndStored()
    {
        Rig rig;
        rig.adjust.setGamma(9.0);
        QCOMPARE(rig.adjust.gamma(), 5.0);
        QCOMPARE(rig.bright->doubleValue(), 5.0);
        QVERIFY(qAbs(rig.player.brightness() - 0.4) < 1e-12);
        QCOMPARE(stored(UserDefaultUtil::KEY_VIEWER_GAMMA).toDouble(), 5.0);
        QCOMPARE(UserDefaultUtil::viewerGamma, 5.0);

        rig.adjust.setGamma(0.0);
        QCOMPARE(rig.adjust.gamma(), 0.1);
        QVERIFY(qAbs(rig.player.brightness() + 0.27) < 1e-12);

        rig.adjust.setGamma(1.0);
        QCOMPARE(rig.player.brightness(), 0.0);
    }

    void volumeChangedWhileMutedIsHeardOnlyAfterUnmuting()
    {
        Rig rig;
        rig.adjust.setVolume(0.6f);
        QCOMPARE(rig.player.volume(), 0.6f);
        rig.adjust.setIsMute(true);
        QVERIFY(rig.player.isMuted());
        QCOMPARE(rig.volume->doubleValue(), 0.0);
        QVERIFY(!rig.volume->isEnabled());
        QVERIFY(!rig.volumeButton->isChecked());
        QCOMPARE(rig.volumeButton->toolTip(), QStringLiteral("take off mute"));
        QCOMPARE(stored(UserDefaultUtil::KEY_VIEWER_IS_MUTE).toBool(), true);

        rig.adjust.setVolume(0.3f);
        QCOMPARE(rig.volume->doubleValue(), 0.0);
        QCOMPARE(stored(UserDefaultUtil::KEY_VIEWER_VOLUME).toFloat(), 0.3f);

        rig.adjust.setIsMute(false);
        QVERIFY(!rig.player.isMuted());
        QCOMPARE(rig.volume->doubleValue(), double(0.3f));
        QCOMPARE(rig.player.volume(), 0.3f);
        QVERIFY(rig.volume->isEnabled());
        QVERIFY(rig.volumeButton->isChecked());
        QCOMPARE(rig.volumeButton->toolTip(), QStringLiteral("Mute"));
    }

    void unmutingRestoresTheVolumeOfTheMomentOfMuting()
    {
        Rig rig;
        rig.adjust.setVolume(0.8f);
        rig.adjust.setIsMute(true);
        rig.adjust.setIsMute(false);
        QCOMPARE(rig.volume->doubleValue(), double(0.8f));
        rig.adjust.setVolume(7.0f);
        QCOMPARE(rig.player.volume(), 1.0f);
    }

    void speedsAboveTwoLeaveTheMediaPlayerStillWhileTheClockRuns()
    {
        Rig rig;
        rig.host.playing = true;
        const float expected[] = {0.5f, 1.0f, 2.0f, 3.0f, 5.0f, 10.0f};
        for (int position = 0; position < 6; ++position) {
            rig.speed->setDoubleValue(position);
            rig.adjust.applyPlaySpeed();
            QCOMPARE(rig.adjust.settingRate(), expected[position]);
            QCOMPARE(rig.host.clockRates.last(), expected[position]);
            QCOMPARE(rig.player.rate(), position >= 3 ? 0.0 : double(expected[position]));
        }
        QCOMPARE(rig.rateLabel->text(), QStringLiteral("×10 times speed"));

        rig.speed->setDoubleValue(1);
        rig.adjust.applyPlaySpeed();
        QCOMPARE(rig.rateLabel->text(), QStringLiteral("standard"));
    }

    void speedChangesWhilePausedTouchNeitherClockNorPlayer()
    {
        Rig rig;
        rig.speed->setDoubleValue(4);
        rig.adjust.applyPlaySpeed();
        QCOMPARE(rig.adjust.settingRate(), 5.0f);
        QVERIFY(rig.host.clockRates.isEmpty());
        QVERIFY(rig.player.rates.isEmpty());
        rig.adjust.setSettingRate(2.0f);
        QVERIFY(rig.host.clockRates.isEmpty());
    }

    // Value slider.

    void filledBarRunsFromNothingToEightPointsShortOfTheControl()
    {
        CustomSliderCellMin slider(CustomSliderCellMin::vol);
        slider.resize(120, 16);
        slider.setRange(0.0, 1.0);
        slider.setDoubleValue(0.0);
        QCOMPARE(slider.filledWidth(), 0.0);
        slider.setDoubleValue(1.0);
        QCOMPARE(slider.filledWidth(), 112.0);
        slider.setDoubleValue(0.5);
        QCOMPARE(slider.filledWidth(), 56.0);
        QCOMPARE(slider.toolTip(), QStringLiteral("Volume control"));
        // A disabled slider (the muted volume) is drawn as it is enabled.
        const QImage enabled = slider.grab().toImage();
        slider.setEnabled(false);
        QCOMPARE(slider.grab().toImage(), enabled);
    }

    void brightnessIgnoresClicksOutsideItsBandAndShowsItsValueWhileDragged()
    {
        QWidget panel;
        panel.resize(300, 100);
        auto* slider = new CustomSliderCellMin(CustomSliderCellMin::bri, &panel);
        slider->setGeometry(20, 50, 120, 16);
        slider->setRange(0.1, 5.0);
        slider->setDoubleValue(1.0);
        panel.show();
        QSignalSpy changed(slider, &CustomSliderCellMin::valueChanged);
        // Below the band: nothing changes and no label shows.
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(100, 13));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(100, 13));
        QCOMPARE(changed.count(), 0);
        QCOMPARE(slider->doubleValue(), 1.0);
        QVERIFY(!slider->valueLabel());

        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(60, 5));
        QVERIFY(changed.count() == 1);
        QLabel* label = slider->valueLabel();
        QVERIFY(label);
        QVERIFY(label->isVisible());
        QCOMPARE(label->pos(), QPoint(20, 50 - label->height()));
        QCOMPARE(label->text(), QString::asprintf("%.1f", slider->doubleValue()));
        QCOMPARE(label->font().pixelSize(), 10);
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(60, 5));
        QVERIFY(!label->isVisible());

        slider->setDoubleValue(1.96);
        QCOMPARE(slider->valueText(), QStringLiteral("2.0"));
        CustomSliderCellMin volume(CustomSliderCellMin::vol);
        volume.setRange(0, 1);
        volume.setDoubleValue(0.5);
        QCOMPARE(volume.valueText(), QStringLiteral("8"));
    }

    void theSpeedSliderSnapsToPositionsAndShowsNoLabel()
    {
        QWidget panel;
        panel.resize(300, 100);
        auto* slider = new CustomSliderCellMin(CustomSliderCellMin::sp, &panel);
        slider->setGeometry(10, 40, 110, 16);
        slider->setRange(0, 5);
        slider->setNumberOfTickMarks(6);
        slider->setAllowsTickMarkValuesOnly(true);
        panel.show();
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(57, 4));
        QCOMPARE(slider->doubleValue(), double(slider->integerValue()));
        QVERIFY(!slider->valueLabel() || !slider->valueLabel()->isVisible());
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(57, 4));
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(slider->doubleValue(), double(slider->integerValue()));
    }

    // Hover button.

    void aButtonWithoutHoverImageNeverChangesOnHover()
    {
        // An on/off toggle as the driving-data panel has: an off and an on
        // picture, no hover picture, a title.
        const auto filled = [](QColor color) {
            QPixmap p(40, 24);
            p.fill(color);
            return p;
        };
        EXTextButton button;
        button.setCheckable(true);
        button.setImage(filled(QColor(90, 90, 90)));
        button.setAlternateImage(filled(QColor(0, 160, 0)));
        button.setText(QStringLiteral("Speed"));
        button.setTitleColor(QColor(255, 0, 0));
        button.setFocusPolicy(Qt::NoFocus);
        button.resize(40, 24);
        button.setChecked(true);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        const auto picture = [&] { return button.grab().toImage().convertToFormat(QImage::Format_RGB32); };
        const QImage on = picture();
        QCOMPARE(on.pixelColor(2, 2), QColor(0, 160, 0));

        // The pointer over it changes nothing that is drawn.
        QEnterEvent enter(QPointF(20, 12), QPointF(20, 12), button.mapToGlobal(QPointF(20, 12)));
        QCoreApplication::sendEvent(&button, &enter);
        QCoreApplication::processEvents();
        QCOMPARE(picture(), on);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &leave);
        QCOMPARE(picture(), on);

        // Disabled, its title keeps its colour (drawn at full strength
        // where the letters are solid).
        button.setEnabled(false);
        const QImage disabled = picture();
        int reddest = 0;
        for (int y = 0; y < disabled.height(); ++y)
            for (int x = 0; x < disabled.width(); ++x) reddest = std::max(reddest, disabled.pixelColor(x, y).red());
        QCOMPARE(reddest, 255);
    }

    void theHoverImageAppearsOneTurnLaterAndAPressRestoresTheOwnImage()
    {
        EXTextButton button;
        const QPixmap normal = PlayerImages::image(QStringLiteral("play"));
        const QPixmap over = PlayerImages::image(QStringLiteral("play_over"));
        button.setImage(normal);
        button.setMouseOverImage(over);
        button.resize(32, 32);
        button.show();
        button.mouseEntered(true);
        QVERIFY(button.isMouseOver());
        QCOMPARE(button.image().cacheKey(), normal.cacheKey());
        QCoreApplication::processEvents();
        QCOMPARE(button.image().cacheKey(), over.cacheKey());

        QTest::mousePress(&button, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(!button.isMouseOver());
        QCOMPARE(button.image().cacheKey(), normal.cacheKey());
        QTest::mouseRelease(&button, Qt::LeftButton);
    }

    void theKeyboardFlagBlocksPointerEntriesButNotKeyboardOnes()
    {
        EXTextButton button;
        button.setImage(PlayerImages::image(QStringLiteral("zoom_plate")));
        button.setMouseOverImage(PlayerImages::image(QStringLiteral("zoom_plate_over")));
        button.setZoomButtonForKey(true);
        button.mouseEntered(true);
        QVERIFY(!button.isMouseOver());
        button.mouseEntered(false);
        QVERIFY(button.isMouseOver());
        button.mouseExited(); // exits are not blocked
        QVERIFY(!button.isMouseOver());
    }

    void aDisabledButtonShowsItsDisabledImageAndKeepsItsHoverFlagButNotTheImageOnceEnabled()
    {
        EXTextButton button;
        const QPixmap normal = PlayerImages::image(QStringLiteral("stop"));
        const QPixmap disabled = PlayerImages::image(QStringLiteral("stop_disable"));
        button.setImage(normal);
        button.setMouseOverImage(PlayerImages::image(QStringLiteral("stop_over")));
        button.setDisableImage(disabled);
        button.resize(32, 32);
        button.setEnabled(false);
        (void)button.grab();
        QCOMPARE(button.image().cacheKey(), disabled.cacheKey());
        button.mouseEntered(false);
        QCoreApplication::processEvents();
        QVERIFY(button.isMouseOver());
        QCOMPARE(button.image().cacheKey(), disabled.cacheKey());
        button.mouseExited();
        QVERIFY(button.isMouseOver());
        button.setEnabled(true);
        // Enabled again with the flag still set: it no longer looks disabled.
        (void)button.grab();
        QCOMPARE(button.image().cacheKey(), button.mouseOverImage().cacheKey());
        button.mouseExited();
        QVERIFY(!button.isMouseOver());
        (void)button.grab();
        QCOMPARE(button.image().cacheKey(), normal.cacheKey());
    }

    void aHoverImageQueuedForAButtonThatIsGoneDoesNothing()
    {
        auto* button = new EXTextButton;
        button->setImage(PlayerImages::image(QStringLiteral("play")));
        button->setMouseOverImage(PlayerImages::image(QStringLiteral("play_over")));
        button->mouseEntered(true);
        delete button;
        QCoreApplication::processEvents(); // must not touch the deleted button
    }

    // Zoom menu and overlays.

    void pointerMovesOverTheZoomMenuReachTheDelegateWhereverItIsResized()
    {
        NSZoomView menu;
        CountingDelegate delegate;
        menu.resize(100, 40);
        moveMouse(&menu, QPoint(50, 20)); // no delegate: nothing
        menu.setDelegate(&delegate);
        menu.resize(300, 200);
        moveMouse(&menu, QPoint(280, 190));
        QCOMPARE(delegate.ends, 1);
        menu.setDelegate(nullptr);
        moveMouse(&menu, QPoint(10, 10));
        QCOMPARE(delegate.ends, 1);
    }

    void theOverlaySwallowsClicks()
    {
        QWidget parent;
        parent.resize(200, 200);
        auto* overlay = new FilterView(&parent);
        overlay->setGeometry(parent.rect());
        parent.show();
        QTest::mouseClick(overlay, Qt::LeftButton); // no delegate: swallowed, no crash
        CountingDelegate delegate;
        overlay->setDelegate(&delegate);
        QTest::mouseClick(overlay, Qt::LeftButton);
        QCOMPARE(delegate.clicks, 1);
    }

    void theBrightnessVeilDarkensOrLightens()
    {
        QWidget base;
        base.resize(40, 40);
        base.setAutoFillBackground(true);
        QPalette palette = base.palette();
        palette.setColor(QPalette::Window, QColor(128, 128, 128));
        base.setPalette(palette);
        auto* veil = new BrightView(&base);
        veil->setGeometry(base.rect());

        veil->setAlphVal(1.0);
        QCOMPARE(QColor(base.grab().toImage().pixel(20, 20)).red(), 128);
        veil->setAlphVal(0.0); // black at 0.25
        QVERIFY(qAbs(QColor(base.grab().toImage().pixel(20, 20)).red() - 96) <= 2);
        veil->setAlphVal(2.0); // white at 0.15
        QVERIFY(qAbs(QColor(base.grab().toImage().pixel(20, 20)).red() - 147) <= 2);
    }
};

KR_TEST_MAIN(TestPlayerControls)
#include "tst_playercontrols.moc"
