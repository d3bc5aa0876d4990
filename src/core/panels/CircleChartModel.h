#pragma once

#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"

#include <QList>
#include <QPointF>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The G-force circle chart: the horizontal G of the current position as a
// dot, and the recent past as a trail that fades from orange (now) to dark
// (10 s ago). It keeps the G values of one window of positions every 30 ms
// (the chapter under the position for trips and adventure recordings, the
// event span otherwise) from the picture data already loaded, and turns
// them into view points only when it is drawn, so a resize never leaves old
// geometry behind. GUI thread only.
class CircleChartModel {
public:
    enum class GScopeType { g05 = 0, g10, g15, g20, g25, g30 };
    static double fullScale(GScopeType type);
    static GScopeType nextScope(GScopeType type);
    // The stored scale's index (0 .. 5); any other gives 0.5 g.
    static GScopeType scopeFromIndex(int index);
    static int indexOf(GScopeType type) { return int(type); }

    static constexpr double G_CIRCLE_IMAGE_RATE = 2.0 / 3.0;
    static constexpr int TIME_CHANGE_G_PLOT = 5400; // points from which a still trail is thinned
    static constexpr int FRAME_G_PLOT = 30;         // ms between points; the thinning group

    // The trail's colours by age (key: ms relative to now, 0 or negative),
    // ascending; the oldest key only bounds the oldest band.
    struct TrailColor {
        std::int32_t key;
        int red, green, blue;
    };
    static const std::array<TrailColor, 21>& colorTable();

    // A trip's or adventure recording's chapters; the window follows the
    // position from chapter to chapter.
    void reset(const ChapterList& chapters);
    // An event's or detection's fixed window.
    void setChapterData(bool surveillance, const ChapterWindow& window);
    // A new position and the player's status.
    void update(std::int32_t value, CommonConst::PlayStatus status);
    // A chapter's picture data was loaded: true when the chart must be drawn anew.
    bool chapterDidLoad(const std::shared_ptr<ChapterData>& chapter);
    // The scale changed: points are placed anew.
    void setScope(GScopeType type) { m_scope = type; }
    GScopeType scope() const { return m_scope; }

    struct Geometry {
        double width = 0.0;
        double height = 0.0;
        double maxG = 1.0; // divisor of the G values
    };
    // Where a G lands in a view of that size (y down; gY points up): full
    // scale reaches a third of the width and height from the centre, and a
    // G beyond it is pulled back onto the scale circle.
    QPointF pointForG(double gx, double gy, const Geometry& geometry) const;

    struct Band {
        int colorIndex = 0; // into colorTable()
        QList<QPointF> points;
    };
    // A paused or stopped trail: the positions it covers and the number of
    // points its one line was made of (the dot's included).
    struct StillTrail {
        std::int64_t start = 0;
        std::int64_t end = 0;
        qsizetype pathCount = 0;
    };
    struct Drawing {
        std::vector<Band> bands; // oldest first
        std::optional<QPointF> dot;
        std::optional<StillTrail> still;
    };
    // The trail and the dot for the current status and position.
    Drawing drawing(const Geometry& geometry);

    CommonConst::PlayType recType() const { return m_recType; }
    std::int32_t minValue() const { return m_minValue; }
    std::int32_t maxValue() const { return m_maxValue; }
    qsizetype currentIndex() const { return m_currentIndex; }
    std::int32_t markerValue() const { return m_markerValue; }
    // The G of the frame at the position (none without loaded data there).
    struct G {
        double gx = 0.0;
        double gy = 0.0;
    };
    std::optional<G> markerG() const { return m_markerG; }
    size_t cachedPointCount();

private:
    void rebuildCache();
    void lookUpMarker();
    std::vector<QPointF> placed(size_t begin, size_t end, const Geometry& geometry) const;
    size_t lowerIndex(std::int64_t position) const;

    ChapterList m_chapters;
    CommonConst::PlayType m_recType = CommonConst::PlayType::Movie;
    CommonConst::PlayStatus m_playStatus = CommonConst::PlayStatus::NotReady;
    GScopeType m_scope = GScopeType::g10;
    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 0;
    qsizetype m_currentIndex = -1;
    std::int32_t m_markerValue = -1;
    std::optional<G> m_markerG;
    bool m_isDispChanged = false;
    // The window's G values in ascending position.
    std::vector<std::int32_t> m_positions;
    std::vector<G> m_values;
};
