#pragma once

#include "core/player/PlaybackClock.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/player/StopWatchStatus.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

// Told by the track bar that the position may have changed: after every
// clock tick (also during a drag), after a play list was installed, and when
// a drag is held at a bound.
class CustomSliderCellDelegate {
public:
    virtual void trackbarChanged() = 0;

protected:
    ~CustomSliderCellDelegate() = default;
};

// The player's track bar and the application's playback clock. Its value is
// the play position in ms over the play list; it shares one
// PlayMovieValueInfo with the player. While isPlay is set a 30 Hz timer on
// the GUI thread advances the position by rate × the time since the previous
// tick (a monotonic clock) and tells the delegate. It draws the played part,
// the trim selection and marks for the event, the stopwatch's start, laps and
// stop and the trim start, and holds a dragged knob inside the stopwatch and
// trim ranges.
class CustomSliderCell : public QWidget {
    Q_OBJECT
public:
    // The longest trim selection: 30 minutes.
    static constexpr qint64 TRM_MAX_VAL = 1800000;
    static constexpr int TICK_INTERVAL_MS = 33;
    // The band at the top of the control that takes clicks and drags.
    static constexpr int TRACKING_HEIGHT = 20;

    explicit CustomSliderCell(QWidget* parent = nullptr, PlaybackClock::TimeSource clockSource = {});

    void setDelegate(CustomSliderCellDelegate* delegate) { m_delegate = delegate; }

    // Installs a play list (shared from then on) and tells the delegate.
    void updateValue(const std::shared_ptr<PlayMovieValueInfo>& info);
    const std::shared_ptr<PlayMovieValueInfo>& valueInfo() const { return m_valueInfo; }

    // Starts the clock when isPlay is set, stops it otherwise. At most one timer runs.
    void startTimer();
    bool timerRunning() const { return m_timer.isActive(); }
    // One tick of the clock (the timer's slot; tests call it directly).
    void onTimerTick();

    double minValue() const { return m_min; }
    double maxValue() const { return m_max; }
    double doubleValue() const { return m_value; }
    qint64 integerValue() const;
    // Sets the shown position without telling anyone (the player's mirror of the model).
    void setDoubleValue(double value);
    void setIntegerValue(qint64 value) { setDoubleValue(double(value)); }

    // Takes the bounds and the position from the play list again, right
    // after its chapter lengths moved, and moves the trim start and the
    // stopwatch's marks with them; tells no one.
    void followValueInfo();
    // Rebuilds the marks.
    void refresh();
    void setSelectFrame(bool on);
    bool selectFrame() const { return m_selectFrame; }
    qint64 selectStartSumFrameTS() const { return m_selectStartSumFrameTS; }

    QDateTime currentDate();
    QDateTime selectStartDate();
    std::optional<QDateTime> baseDate() const { return m_baseDate; }

    // Points along the bar and milliseconds from the minimum.
    double valueForPosition(double x) const;
    double positionForValue(double value) const;

    // What the marks are, keyed by position minus the minimum.
    struct Marker {
        enum class Kind { EventSwitch, EventG, Start, Lap, Stop, CutStart };
        Kind kind;
        int lap = 0; // 1-based, for Lap
    };
    const QMap<qint64, Marker>& markerList() const { return m_markers; }

    // Written by the player.
    bool isPlay = false;
    float rate = 1.0f;
    StopWatchStatus swStatus = StopWatchStatus::Stop;
    qint64 swStartSumFrameTS = -1;
    QList<qint64> swLapSumFrameTSList;
    qint64 swStopSumFrameTS = -1;

    bool isTracking() const { return m_isTracking; }
    QRectF mouseTrackingArea() const { return QRectF(0, 0, width(), TRACKING_HEIGHT); }

    QSize sizeHint() const override { return {400, 26}; }
    QSize minimumSizeHint() const override { return {100, 26}; }

Q_SIGNALS:
    // The user moved the knob (click or drag).
    void userValueChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double span() const;
    double xOfValue(double value) const; // in widget coordinates
    // The pointer's x held at the stopwatch and trim bounds (from the previous x).
    double clampTrackingX(double lastX, double x);
    void trackTo(double x);
    void drawMarker(QPainter& p, const QRectF& r, const Marker& m) const;

    CustomSliderCellDelegate* m_delegate = nullptr;
    std::shared_ptr<PlayMovieValueInfo> m_valueInfo = std::make_shared<PlayMovieValueInfo>();
    PlaybackClock m_clock;
    QTimer m_timer;
    double m_min = 0.0;
    double m_max = 1.0;
    double m_value = 0.0;
    std::optional<QDateTime> m_baseDate;
    QMap<qint64, Marker> m_markers;
    qint64 m_selectStartSumFrameTS = 0;
    bool m_selectFrame = false;
    bool m_isTracking = false;
    double m_lastX = 0.0;

    QPixmap m_barImage;
    QPixmap m_barActiveImage;
    QPixmap m_barOffImage;
    QPixmap m_knobImage;
};
