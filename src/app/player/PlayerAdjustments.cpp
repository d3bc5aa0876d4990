#include "app/player/PlayerAdjustments.h"

#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "app/player/CustomSliderCellMin.h"
#include "core/player/MediaPlayer.h"
#include "core/player/PlaybackAdjust.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>

namespace {
void store(const QString& key, const QVariant& value)
{
    SettingsStore::open()->setValue(key, value);
}
} // namespace

PlayerAdjustments::PlayerAdjustments(const Controls& controls, PlayerAdjustmentsHost& host, QObject* parent)
    : QObject(parent), m_controls(controls), m_host(host)
{
    if (auto* s = m_controls.brightSlider) {
        s->setRange(PlaybackAdjust::GAMMA_MIN, PlaybackAdjust::GAMMA_MAX);
        s->setDoubleValue(PlaybackAdjust::GAMMA_DEFAULT);
    }
    if (auto* s = m_controls.volumeSlider) {
        s->setRange(PlaybackAdjust::VOLUME_MIN, PlaybackAdjust::VOLUME_MAX);
        s->setDoubleValue(PlaybackAdjust::VOLUME_MAX);
    }
    if (auto* s = m_controls.playSpeedSlider) {
        s->setRange(0.0, 5.0);
        s->setNumberOfTickMarks(6);
        s->setAllowsTickMarkValuesOnly(true);
        s->setDoubleValue(1.0);
    }
    if (auto* b = m_controls.volumeButton) {
        b->setCheckable(true);
        b->setChecked(true);
    }
}

void PlayerAdjustments::setMediaPlayer(MediaPlayer* player)
{
    m_player = player;
}

void PlayerAdjustments::setGamma(double gamma)
{
    const double g = PlaybackAdjust::clampGamma(gamma);
    m_gamma = g;
    if (m_controls.brightSlider)
        m_controls.brightSlider->setDoubleValue(g);
    // The media player redraws a paused picture with the new offset itself.
    if (m_player)
        m_player->setBrightness(PlaybackAdjust::brightnessOffset(g));
    UserDefaultUtil::viewerGamma = g;
    store(UserDefaultUtil::KEY_VIEWER_GAMMA, g);
}

void PlayerAdjustments::setVolume(float volume)
{
    const float v = PlaybackAdjust::clampVolume(volume);
    if (m_isMute) {
        // Heard only after unmuting; the slider stays at 0.
        m_wkVolume = v;
    } else {
        if (m_controls.volumeSlider)
            m_controls.volumeSlider->setDoubleValue(v);
        if (m_player)
            m_player->setVolume(v);
    }
    UserDefaultUtil::viewerVolume = v;
    store(UserDefaultUtil::KEY_VIEWER_VOLUME, v);
}

void PlayerAdjustments::setIsMute(bool mute)
{
    if (mute != m_isMute) {
        if (mute) {
            if (m_controls.volumeSlider) {
                m_wkVolume = static_cast<float>(m_controls.volumeSlider->doubleValue());
                m_controls.volumeSlider->setDoubleValue(0.0);
            }
            if (m_controls.volumeButton)
                m_controls.volumeButton->setChecked(false);
        } else {
            if (m_controls.volumeSlider)
                m_controls.volumeSlider->setDoubleValue(m_wkVolume);
            if (m_controls.volumeButton)
                m_controls.volumeButton->setChecked(true);
        }
        m_isMute = mute;
        applyPlaySpeed();
        if (m_controls.volumeButton)
            m_controls.volumeButton->setToolTip(mute ? tr("take off mute") : tr("Mute"));
    }
    if (m_controls.volumeSlider)
        m_controls.volumeSlider->setEnabled(!mute);
    UserDefaultUtil::viewerIsMute = m_isMute;
    store(UserDefaultUtil::KEY_VIEWER_IS_MUTE, m_isMute);
}

void PlayerAdjustments::setSettingRate(float rate)
{
    m_settingRate = rate;
    applyRateWhilePlaying();
}

void PlayerAdjustments::applyRateWhilePlaying()
{
    if (!m_host.isPlaying()) return;
    m_host.setClockRate(m_settingRate);
    // A movie waiting for its chapter's data is started by the clock once
    // the data is there.
    if (m_player && !m_host.isWaitingForChapter())
        m_player->setRate(PlaybackAdjust::mediaRateFor(m_settingRate));
}

void PlayerAdjustments::applyPlaySpeed()
{
    const int position = m_controls.playSpeedSlider ? m_controls.playSpeedSlider->integerValue() : 1;
    const PlaybackAdjust::PlaySpeed speed = PlaybackAdjust::playSpeedForPosition(position);
    m_playRate = speed.rate;
    if (m_controls.playSpeedRateLabel)
        m_controls.playSpeedRateLabel->setText(QCoreApplication::translate("MoviePlayerView", speed.label));
    m_settingRate = m_playRate;
    applyRateWhilePlaying();
    if (m_player) {
        m_player->setMuted(m_isMute);
        const float volume = m_isMute || !m_controls.volumeSlider
            ? m_wkVolume
            : static_cast<float>(m_controls.volumeSlider->doubleValue());
        m_player->setVolume(volume);
    }
}
