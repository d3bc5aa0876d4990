#pragma once

#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The driving-data panel's line chart: which time window of the play list
// it shows (the chapter under the position for trips and adventure
// recordings, the fixed span around an event or surveillance detection),
// the speed and G samples of that window with the GPS state of each, the
// window's start, end and event time labels, and the position inside it.
//
// The samples come from the picture data already loaded (never read here):
// a chapter whose recording is not there yet contributes nothing until the
// catalogue reports it loaded. GUI thread only.
class DrivingInfoModel {
public:
    // Window spans from which the samples are 300 ms apart instead of 30 ms.
    static constexpr std::int32_t DATA_SPACE_CUT = 180000;
    static constexpr std::int32_t SHORT_STEP = 30;
    static constexpr std::int32_t LONG_STEP = 300;

    struct Sample {
        std::int32_t offset = 0; // ms from the window start
        int speed = 0;           // display unit
        double g = 0.0;          // horizontal G
        bool gpsOn = true;
    };
    struct Label {
        std::int32_t offset = 0; // ms from the window start
        QString text;            // empty: not drawn
    };
    // The text of a frame's time (the viewer's time format, zone and summer time).
    using TimeText = std::function<QString(const QDateTime&)>;

    DrivingInfoModel();

    void setSpeedKmh(bool kmh) { m_speedKmh = kmh; }
    bool speedKmh() const { return m_speedKmh; }
    void setTimeText(TimeText text) { m_timeText = std::move(text); }

    // A trip's or adventure recording's chapters (empty: the panel is
    // emptied, its window kept).
    void setChapterList(const ChapterList& chapters);
    // An event's (or, with surveillance, a detection's) window; a window
    // without chapters gives the empty window 0..1.
    void setAccident(bool surveillance, const ChapterWindow& window);
    // A new playback position. The window follows a trip's position into
    // another chapter; true when it moved (and the samples were taken anew).
    bool setValue(std::int32_t value);
    // A chapter's picture data was loaded: true when it lies in the window
    // and the samples were taken anew.
    bool chapterDidLoad(const std::shared_ptr<ChapterData>& chapter);
    // Takes the samples and labels of the window.
    void rebuild();

    // ---- the window ----
    CommonConst::PlayType playType() const { return m_playType; }
    const ChapterList& chapters() const { return m_chapters; }
    std::int32_t minValue() const { return m_minValue; }
    std::int32_t maxValue() const { return m_maxValue; }
    std::int32_t span() const { return std::max<std::int32_t>(0, m_maxValue - m_minValue); }
    // The chart's time axis: the window, none without a play list.
    std::int32_t chartSpan() const { return m_chapters.isEmpty() ? 0 : span(); }
    qsizetype currentIndex() const { return m_currentIndex; }
    std::int32_t accidentValue() const { return m_accidentValue; }
    // The position last set, and its offset in the window.
    std::int32_t value() const { return m_value; }
    void setPositionOnly(std::int32_t value) { m_value = value; }
    std::int32_t chartValue() const { return m_value - m_minValue; }

    // ---- the chart ----
    const std::vector<Sample>& samples() const { return m_samples; }
    const Label& minLabel() const { return m_minLabel; }
    const Label& maxLabel() const { return m_maxLabel; }
    // Offset -1: no event line.
    const Label& accidentLabel() const { return m_accidentLabel; }
    std::optional<double> largestG() const;
    std::optional<int> largestSpeed() const;
    // Grows with every rebuild, so that views know to draw the chart anew.
    quint64 generation() const { return m_generation; }

private:
    void setWindowToChapter(qsizetype index);
    bool windowHolds(const std::shared_ptr<ChapterData>& chapter) const;

    ChapterList m_chapters;
    CommonConst::PlayType m_playType = CommonConst::PlayType::Movie;
    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 0;
    qsizetype m_currentIndex = -1;
    std::int32_t m_accidentValue = 0;
    std::int32_t m_value = -1;
    bool m_speedKmh = true;
    TimeText m_timeText;

    std::vector<Sample> m_samples;
    Label m_minLabel;
    Label m_maxLabel;
    Label m_accidentLabel{-1, {}};
    quint64 m_generation = 0;
};
