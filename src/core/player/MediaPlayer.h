#pragma once

#include <QObject>
#include <QString>

// The media player the movie view drives: one movie file (the "item") at a
// time, a play rate, exact seeks in milliseconds, volume, mute and a
// brightness offset for the picture.
//
// Every call and every signal belongs to the thread that owns the object
// (the GUI thread); implementations hand their own threads' news over to it.
// None of the calls block on the decoder: seeks, rate and volume changes
// are queued and take effect shortly afterwards, and the getters answer
// from what the player last reported (right after seekExact() the current
// time already is the seek target, as with the platform players).
class MediaPlayer : public QObject {
    Q_OBJECT
public:
    // The state of the current item.
    enum class ItemStatus {
        None,        // no item
        Unknown,     // opening
        ReadyToPlay, // open; duration and frame rate are known
        Failed,      // the file could not be played
    };
    Q_ENUM(ItemStatus)

    using QObject::QObject;
    ~MediaPlayer() override = default;

    // Replaces the current item with the movie at path. Answers false, and
    // keeps the current item, when no file exists there; otherwise the status
    // is Unknown until readyToPlay() or failed() is signalled for this file.
    // The new item starts paused at its beginning.
    virtual bool open(const QString& path) = 0;
    // Drops the current item (status None).
    virtual void close() = 0;
    virtual ItemStatus status() const = 0;
    bool isReady() const { return status() == ItemStatus::ReadyToPlay; }
    virtual QString currentPath() const = 0;

    // A rate above 0 plays at that speed; 0 pauses. The rate falls to 0 by
    // itself at the end of the item.
    virtual void setRate(double rate) = 0;
    virtual double rate() const = 0;
    void pause() { setRate(0.0); }

    // Shows exactly the frame whose time stamp the target names, to the
    // millisecond (frame records carry time stamps truncated to whole
    // milliseconds). seekFinished() follows once the frame is shown.
    virtual void seekExact(qint64 ms) = 0;
    virtual bool isSeeking() const = 0;

    // Milliseconds into the item, truncated; 0 without an item.
    virtual qint64 currentTimeMs() const = 0;
    // Milliseconds, truncated; -1 while unknown or without an item.
    virtual qint64 durationMs() const = 0;
    // Frames per second of the item's video track; 0 when there is none or
    // it is unknown.
    virtual double nominalFrameRate() const = 0;

    // 0.0 to 1.0.
    virtual void setVolume(float volume) = 0;
    virtual float volume() const = 0;
    virtual void setMuted(bool muted) = 0;
    virtual bool isMuted() const = 0;

    // Added to every colour channel of the picture, -1.0 to 1.0; 0 leaves
    // the picture as it is. Applied to paused pictures too.
    virtual void setBrightness(double offset) = 0;
    virtual double brightness() const = 0;

Q_SIGNALS:
    // The item of the last open() is ready to play.
    void readyToPlay();
    // The item of the last open() cannot be played, or broke down while it
    // was open (status Failed); reason is for the log.
    void failed(const QString& reason);
    // Playback reached the end of the item (once per arrival; the last
    // frame stays shown and the rate is 0).
    void reachedEnd();
    // The newest seek has landed on its frame.
    void seekFinished();
    // status() changed.
    void statusChanged(MediaPlayer::ItemStatus status);
};
