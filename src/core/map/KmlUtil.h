#pragma once

#include "core/catalog/ChapterData.h"
#include "core/map/KmlDocument.h"
#include "core/recording/VideoInfo.h"

#include <QString>
#include <cstdint>

class MoveProtectInfo;

// The route export for Google Earth: builds a KML document of a trip or of
// an event's window, writes it as text and packs it into a KMZ file.
namespace KmlUtil {

// ---- writer ----

// The document as KML 2.2 text. Names are XML-escaped, descriptions go into
// CDATA sections that no "]]>" can end early, and every placeholder of the
// template is filled exactly once. When the document has no camera view,
// the framing view of the first track written becomes its view.
QString createKmlText(XmlData& xml);
// One LookAt element (no line feed after it).
QString createLookAtText(const LookAtData& lookAt);
// A view that frames the samples.
LookAtData makeLookAt(const std::vector<TrackData>& tracks);
// The instant as UTC, "2026-03-14T21:30:00Z".
QString timeText(const QDateTime& instant);
// The fixed block of the 18 track styles.
const QString& styleText();

// ---- building ----

// What the builders write besides the data: the translated texts and the
// viewer's date format, zone and summer-time choice for placemark names.
// Taken on the GUI thread, so that a build elsewhere reads no setting.
struct Context {
    QString event, surveillance, route, myCar, trip, chapter;
    QString sensingTime, recordingStart, recordingEnd;
    QString dateFormat; // a hyphenated pattern ("dd-MM-yyyy HH:mm:ss")
    QString timeZone;   // IANA identifier
    bool summerTime = false;
    // From the translations and the viewer settings of this moment.
    static Context current();
};

// The camera-0 frames of the window from position start to position end
// (ms over the list), in time order: the first chapter from the last
// enabled frame at or before start, the last chapter up to the last enabled
// frame at or before end, every chapter between whole. A chapter whose
// recording cannot be read is passed over. Loads recordings on demand.
FrameList getSortedFrames(const ChapterList& chapters, std::int32_t start, std::int32_t end);

XmlData makeTripXmlData(const ChapterList& chapters, const QString& name, const Context& context);
XmlData makeEventXmlData(const ChapterList& chapters, std::int32_t start, std::int32_t end,
                         const MoveProtectInfo& record, const QString& name, const Context& context);

// count characters drawn uniformly from digits and ASCII letters.
QString randomString(int count);

// ---- export ----

struct ExportResult {
    bool ok = false;
    QString error; // what failed, for the user
};

// Writes the KMZ of a trip's chapters (or of an event's window) to the
// destination: KML text in a work folder of its own, packed by the zip
// program, copied beside the destination and renamed into place, so a
// failure leaves any earlier file there untouched. A destination on one of
// the chapters' recordings or in their recording folder is refused
// (OutputRule). Runs on any thread.
ExportResult outputTripKml(const ChapterList& chapters, const QString& destination, const Context& context);
ExportResult outputEventKml(const ChapterList& chapters, std::int32_t start, std::int32_t end,
                            const MoveProtectInfo& record, const QString& destination,
                            const Context& context);

// Characters refused in an export file name: the name's first refused
// character, or none.
std::optional<QChar> invalidFileNameCharacter(const QString& name);

} // namespace KmlUtil
