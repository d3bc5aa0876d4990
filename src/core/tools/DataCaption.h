#pragma once

#include "core/foundation/DateFormat.h"

#include <QString>
#include <cstdint>

class VideoFrame;

// Which driving data a caption shows; always passed in this order: date and
// time, speed, acceleration, position.
struct CaptionSelection {
    bool dateTime = false;
    bool speed = false;
    bool acceleration = false;
    bool point = false;

    bool any() const { return dateTime || speed || acceleration || point; }
    bool operator==(const CaptionSelection&) const = default;
};

// The display settings a caption is written with, taken once when a job
// starts so that a change meanwhile cannot mix two forms in one movie.
struct CaptionSettings {
    DateFormatType dateFormat = DateFormatType::DMYAMPM;
    int timeZone = 0; // viewer time-zone index
    bool summerTime = false;
    bool speedKmh = true;

    // The viewer's current settings (UserDefaultUtil).
    static CaptionSettings current();
};

// The one-line data caption burnt into trimmed movies and drawn on stills.
namespace DataCaption {

// Labels, translated: the date label begins with an ordinary space, the
// others with an ideographic space; all end in a full-width colon.
QString strDate();
QString strSpeed();
QString strAccel();
QString strLat();
QString strLon();
inline constexpr char SPEED_UNIT_KMH[] = "[KM/H]";
inline constexpr char SPEED_UNIT_MPH[] = "[MPH]";
inline constexpr char ACCEL_UNIT[] = "[G]";
// The date format when the settings name none.
inline constexpr char FALLBACK_DATE_FORMAT[] = "yyyy.MM.dd HH:mm:ss";

// A position field in 1/36000 degree as degrees, rounded at the sixth
// decimal (halves away from zero), "%.6f".
QString degreesText(std::int32_t field);

// The caption of a frame; "" when nothing is selected.
QString makeOverlayText(const VideoFrame& frame, CaptionSelection selection, const CaptionSettings& settings);

} // namespace DataCaption
