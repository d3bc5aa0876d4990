#include "core/map/KmlUtil.h"

#include "core/foundation/CommonConst.h"
#include "core/foundation/DateFormat.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/map/MapPoint.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/tools/OutputFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <limits>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("KmlUtil", text);
}

std::shared_ptr<const VideoInfo> videoOf(const std::shared_ptr<ChapterData>& chapter)
{
    if (!chapter) return nullptr;
    const std::shared_ptr<const PictureData> picture = chapter->loadPicture(true);
    return picture ? picture->video : nullptr;
}

// Each chapter's recording, asked for once: one that cannot be read is not
// read again for another part of the same document.
std::vector<std::shared_ptr<const VideoInfo>> videosOf(const ChapterList& chapters)
{
    std::vector<std::shared_ptr<const VideoInfo>> videos;
    videos.reserve(std::size_t(chapters.size()));
    for (const auto& chapter : chapters)
        videos.push_back(videoOf(chapter));
    return videos;
}

QString placemarkDate(const QDateTime& date, const KmlUtil::Context& context)
{
    return Date::toString(date, context.dateFormat, context.timeZone, context.summerTime);
}

// A point placemark at a moment and a recorder position; none without a position.
std::optional<PlacemarkData> pointPlacemark(const QDateTime& moment, std::int32_t rawLng, std::int32_t rawLat,
                                            const KmlUtil::Context& context)
{
    if (rawLng == 0 || rawLat == 0) return std::nullopt;
    const double lng = MapPosition::toDegrees(rawLng);
    const double lat = MapPosition::toDegrees(rawLat);
    if (lng == 0.0 || lat == 0.0) return std::nullopt;
    PlacemarkData p;
    p.Name = placemarkDate(moment, context);
    p.Coordinates = CoordinatesData{lng, lat, 0.0};
    LookAtData view;
    if (moment.isValid()) view.TimeStamp = moment;
    view.Longitude = lng;
    view.Latitude = lat;
    view.Altitude = 0.0;
    view.Heading = 0.0;
    view.Tilt = 0.0;
    view.Range = 1000.0;
    p.LookAt = view;
    return p;
}

void appendSample(std::vector<TrackData>& tracks, const VideoFrame& frame)
{
    if (!frame.ex.isFrameEnable) return;
    if (frame._longitude == 0 && frame._latitude == 0) return;
    // A track pairs every place with its moment: a frame whose date did not
    // decode has none to give.
    const QDateTime time = frame.time();
    if (!time.isValid()) return;
    tracks.push_back(TrackData{time, MapPosition::toDegrees(frame._longitude),
                               MapPosition::toDegrees(frame._latitude), 0.0});
}

PlacemarkData routePlacemark(const KmlUtil::Context& context, const QString& description)
{
    PlacemarkData p;
    p.Name = context.myCar;
    p.StyleUrl = QStringLiteral("#track_style");
    p.Description = description;
    p.TrackList.emplace();
    return p;
}

FolderData folderOf(const QString& name, PlacemarkData placemark)
{
    FolderData folder;
    folder.Name = name;
    folder.PlacemarkList.emplace();
    folder.PlacemarkList->push_back(std::move(placemark));
    return folder;
}

// The last key at or before offset whose frame is enabled; 0 when none.
qint64 lastEnabledKey(const FrameTable& frames, qint64 offset)
{
    auto it = frames.upper_bound(offset);
    while (it != frames.begin()) {
        --it;
        if (it->second && it->second->ex.isFrameEnable) return it->first;
    }
    return 0;
}

const QString BR = QStringLiteral("<br>");

} // namespace

KmlUtil::Context KmlUtil::Context::current()
{
    Context c;
    c.event = tr("Event");
    c.surveillance = tr("Surveillance");
    c.route = tr("Route");
    c.myCar = tr("MyCar");
    c.trip = tr("Trip");
    c.chapter = tr("Chapter");
    c.sensingTime = tr("Sensing time/date");
    c.recordingStart = tr("Recording start time/date");
    c.recordingEnd = tr("Recording end time/date");
    c.dateFormat = DateFormatTables::hyphenDateTimeFormats().current();
    c.timeZone = DateFormatTypeUtil::timeZoneIdentifier(UserDefaultUtil::timeZone.load());
    c.summerTime = UserDefaultUtil::summerTime.load();
    return c;
}

FrameList KmlUtil::getSortedFrames(const ChapterList& chapters, std::int32_t start, std::int32_t end)
{
    FrameList out;
    if (chapters.isEmpty()) return out;
    // Every recording first: a chapter's length is known once it is loaded,
    // and the range's offsets depend on the lengths of the chapters before.
    const std::vector<std::shared_ptr<const VideoInfo>> videos = videosOf(chapters);
    qsizetype index = 0;
    std::int32_t startOffset = 0;
    std::int32_t endOffset = 0;
    PictureDataUtil::chapterIndex(chapters, start, index, startOffset);
    PictureDataUtil::chapterIndex(chapters, end, index, endOffset);
    const qsizetype last = chapters.size() - 1;
    for (qsizetype k = 0; k <= last; ++k) {
        const std::shared_ptr<const VideoInfo>& video = videos[std::size_t(k)];
        if (!video) continue;
        const FrameTable& frames = video->getCameraFrames(0);
        const qint64 lower =
            k == 0 ? lastEnabledKey(frames, startOffset) : std::numeric_limits<qint64>::min();
        const qint64 upper =
            k == last ? lastEnabledKey(frames, endOffset) + 1 : std::numeric_limits<qint64>::max();
        for (auto it = frames.lower_bound(lower); it != frames.end() && it->first < upper; ++it)
            if (it->second) out.push_back(it->second);
    }
    return out;
}

XmlData KmlUtil::makeEventXmlData(const ChapterList& chapters, std::int32_t start, std::int32_t end,
                                  const MoveProtectInfo& record, const QString& name, const Context& context)
{
    XmlData xml;
    if (chapters.isEmpty()) return xml;
    xml.Name = name;
    const FrameList frames = getSortedFrames(chapters, start, end);
    if (frames.empty()) return xml;
    xml.FolderList.emplace();
    if (auto point = pointPlacemark(record._datetime, record._longitude, record._latitude, context))
        xml.FolderList->push_back(folderOf(context.event, std::move(*point)));
    const QString kind =
        record._detect == MoveProtectInfo::DetectStatus::SURV ? context.surveillance : context.event;
    PlacemarkData route = routePlacemark(context, kind + BR + BR + context.sensingTime + BR +
                                                      placemarkDate(record._datetime, context) + BR);
    for (const auto& frame : frames)
        appendSample(*route.TrackList, *frame);
    xml.FolderList->push_back(folderOf(context.route, std::move(route)));
    return xml;
}

XmlData KmlUtil::makeTripXmlData(const ChapterList& chapters, const QString& name, const Context& context)
{
    XmlData xml;
    if (chapters.isEmpty()) return xml;
    xml.Name = name;
    xml.FolderList.emplace();

    const std::vector<std::shared_ptr<const VideoInfo>> videos = videosOf(chapters);

    FolderData chapterFolder;
    chapterFolder.Name = context.chapter;
    chapterFolder.PlacemarkList.emplace();
    for (const auto& video : videos) {
        if (!video) continue;
        const FrameTable& frames = video->getCameraFrames(0);
        if (frames.empty() || !frames.begin()->second) continue;
        const VideoFrame& first = *frames.begin()->second;
        if (auto point = pointPlacemark(first.time(), first._longitude, first._latitude, context))
            chapterFolder.PlacemarkList->push_back(std::move(*point));
    }
    if (!chapterFolder.PlacemarkList->empty()) xml.FolderList->push_back(std::move(chapterFolder));

    QString description = context.trip + BR + BR;
    const std::shared_ptr<const VideoInfo>& firstVideo = videos.front();
    const std::shared_ptr<const VideoInfo>& lastVideo = videos.back();
    if (firstVideo && lastVideo) {
        const FrameTable& firstFrames = firstVideo->getCameraFrames(0);
        const FrameTable& lastFrames = lastVideo->getCameraFrames(0);
        if (!firstFrames.empty() && firstFrames.begin()->second)
            description +=
                context.recordingStart + BR + placemarkDate(firstFrames.begin()->second->time(), context);
        description += BR;
        if (!lastFrames.empty() && lastFrames.rbegin()->second)
            description +=
                context.recordingEnd + BR + placemarkDate(lastFrames.rbegin()->second->time(), context);
        description += BR;
    }
    PlacemarkData route = routePlacemark(context, description);
    for (const auto& video : videos) {
        if (!video) continue;
        for (const auto& [key, frame] : video->getCameraFrames(0))
            if (frame) appendSample(*route.TrackList, *frame);
    }
    xml.FolderList->push_back(folderOf(context.route, std::move(route)));
    return xml;
}

QString KmlUtil::randomString(int count)
{
    static const char letters[] = "1234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString out;
    for (int i = 0; i < count; ++i)
        out += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return out;
}

std::optional<QChar> KmlUtil::invalidFileNameCharacter(const QString& name)
{
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool control = u <= 0x1F && u != 0x07 && u != 0x08 && u != 0x0B && u != 0x0C;
        if (control || u == u'"' || u == u'<' || u == u'>' || u == u'|' || u == u':' || u == u'*' ||
            u == u'?' || u == u'\\' || u == u'/')
            return c;
    }
    return std::nullopt;
}

namespace {

// Removes the work folder however the export ends.
struct WorkFolder {
    QString path;
    ~WorkFolder()
    {
        if (!path.isEmpty()) QDir(path).removeRecursively();
    }
};

KmlUtil::ExportResult failure(const QString& what)
{
    return KmlUtil::ExportResult{false, what};
}

KmlUtil::ExportResult writeKmz(const QString& kml, const QString& destination, const ChapterList& sources)
{
    // Nothing is packed for a file that cannot be written.
    if (const OutputFile::Check target = OutputFile::check(sources, destination); !target.ok())
        return failure(target.reason);
    const QString random = KmlUtil::randomString(12);
    WorkFolder work{CommonConst::DIR_PATH_MAP() + random};
    if (!QDir().mkpath(work.path)) return failure(tr("The work folder could not be made."));
    const QString kmlName =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmm")) + QStringLiteral(".kml");
    {
        QFile file(work.path + QLatin1Char('/') + kmlName);
        const QByteArray bytes = kml.toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
            return failure(file.errorString());
    }
    const QString kmzName = random + QStringLiteral(".kmz");
    QProcess zip;
    zip.setWorkingDirectory(work.path);
    zip.setStandardOutputFile(QProcess::nullDevice());
    zip.setProcessChannelMode(QProcess::SeparateChannels);
    // -X: no extra file attributes; the archive holds the bare KML name.
    zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-X"), kmzName, kmlName});
    if (!zip.waitForStarted(10000)) return failure(tr("The zip program could not be started."));
    if (!zip.waitForFinished(120000)) {
        zip.kill();
        zip.waitForFinished(5000);
        return failure(tr("The zip program did not finish."));
    }
    if (zip.exitStatus() != QProcess::NormalExit || zip.exitCode() != 0)
        return failure(tr("The zip program failed: %1")
                           .arg(QString::fromLocal8Bit(zip.readAllStandardError()).trimmed()));

    QFile kmz(work.path + QLatin1Char('/') + kmzName);
    if (!kmz.open(QIODevice::ReadOnly)) return failure(kmz.errorString());
    const QByteArray archive = kmz.readAll();
    // Beside the destination, then renamed onto it once the output rule is
    // checked again (the name may have become a link since the panel was
    // answered): an earlier file there survives any failure.
    if (const OutputFile::Check saved = OutputFile::save(sources, destination, archive); !saved.ok())
        return failure(saved.reason.isEmpty() ? saved.detail : saved.reason);
    return KmlUtil::ExportResult{true, QString()};
}

QString documentName(const QString& destination)
{
    return QFileInfo(destination).completeBaseName();
}

} // namespace

KmlUtil::ExportResult KmlUtil::outputTripKml(const ChapterList& chapters, const QString& destination,
                                             const Context& context)
{
    XmlData xml = makeTripXmlData(chapters, documentName(destination), context);
    return writeKmz(createKmlText(xml), destination, chapters);
}

KmlUtil::ExportResult KmlUtil::outputEventKml(const ChapterList& chapters, std::int32_t start,
                                              std::int32_t end, const MoveProtectInfo& record,
                                              const QString& destination, const Context& context)
{
    XmlData xml = makeEventXmlData(chapters, start, end, record, documentName(destination), context);
    return writeKmz(createKmlText(xml), destination, chapters);
}
