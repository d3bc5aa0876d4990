#pragma once

#include <QObject>
#include <QPointer>

class CustomSliderCellMin;
class MediaPlayer;
class QAbstractButton;
class QLabel;

// What the picture and sound controls need from the movie view they sit in.
class PlayerAdjustmentsHost {
public:
    // The movie is ready and its status is Play.
    virtual bool isPlaying() const = 0;
    // Playing, but the clock waits for the chapter's data: the movie must
    // not run on its own meanwhile.
    virtual bool isWaitingForChapter() const = 0;
    // The rate at which the track bar's clock advances the position.
    virtual void setClockRate(float rate) = 0;

protected:
    ~PlayerAdjustmentsHost() = default;
};

// The player's brightness, volume, mute and play-speed controls: they keep
// the sliders, the volume button and the rate label in step, apply the values
// to the media player and store brightness, volume and mute under
// "viewerGamma", "viewerVolume" and "viewerIsMute".
class PlayerAdjustments : public QObject {
    Q_OBJECT
public:
    struct Controls {
        CustomSliderCellMin* brightSlider = nullptr;
        CustomSliderCellMin* volumeSlider = nullptr;
        CustomSliderCellMin* playSpeedSlider = nullptr;
        QAbstractButton* volumeButton = nullptr; // on = sound on
        QLabel* playSpeedRateLabel = nullptr;
    };

    // Gives the sliders their ranges (brightness 0.1 to 5.0, volume 0 to 1,
    // speed positions 0 to 5) and their neutral values.
    PlayerAdjustments(const Controls& controls, PlayerAdjustmentsHost& host, QObject* parent = nullptr);

    // The media player may come later and may go; none is fine.
    void setMediaPlayer(MediaPlayer* player);

    void setVolume(float volume);
    void setIsMute(bool mute);
    void setGamma(double gamma);
    void setSettingRate(float rate);
    // Takes the rate from the speed slider's position and applies rate,
    // volume and mute to the media player.
    void applyPlaySpeed();

    float playRate() const { return m_playRate; }
    float settingRate() const { return m_settingRate; }
    float keptVolume() const { return m_wkVolume; }
    bool isMute() const { return m_isMute; }
    double gamma() const { return m_gamma; }

private:
    // The rate in force to the clock and the movie, while playing.
    void applyRateWhilePlaying();

    Controls m_controls;
    PlayerAdjustmentsHost& m_host;
    QPointer<MediaPlayer> m_player;

    float m_playRate = 1.0f;
    float m_settingRate = 1.0f;
    float m_wkVolume = 1.0f;
    bool m_isMute = false;
    double m_gamma = 1.0;
};
