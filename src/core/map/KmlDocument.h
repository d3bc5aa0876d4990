#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

// One KML 2.2 document as the route export builds it and the KML writer
// reads it. Angles in decimal degrees (east and north positive), altitudes
// and ranges in metres, times as instants. Lists keep the order of their
// appends, which is the order they are written in.

struct TimeSpanData {
    std::optional<QDateTime> Begin;
    std::optional<QDateTime> End;
};

struct LookAtData {
    enum class StructAltitudeMode { clampToGround, relativeToGround, absolute };
    static QString altitudeModeText(StructAltitudeMode mode);
    // The mode of a KML keyword (exact case), or none.
    static std::optional<StructAltitudeMode> altitudeModeFromText(const QString& text);

    std::optional<TimeSpanData> TimeStan;
    std::optional<QDateTime> TimeStamp;
    std::optional<double> Longitude;
    std::optional<double> Latitude;
    std::optional<double> Altitude;
    std::optional<double> Heading;
    std::optional<double> Tilt;
    std::optional<double> Range;
    StructAltitudeMode AltitudeMode = StructAltitudeMode::clampToGround;
};

struct TrackData {
    std::optional<QDateTime> When;
    double Longitude = 0.0;
    double Latitude = 0.0;
    double Altitude = 0.0;
};

struct CoordinatesData {
    double Longitude = 0.0;
    double Latitude = 0.0;
    double Altitude = 0.0;
};

struct PlacemarkData {
    QString Name;
    QString StyleUrl;
    std::optional<std::vector<TrackData>> TrackList;
    QString Description; // HTML
    std::optional<CoordinatesData> Coordinates;
    std::optional<LookAtData> LookAt;
};

struct FolderData {
    QString Name;
    std::optional<std::vector<PlacemarkData>> PlacemarkList;
};

struct XmlData {
    QString Name;
    std::optional<LookAtData> LookAt;
    std::optional<std::vector<FolderData>> FolderList;
};
