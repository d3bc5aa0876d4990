// inspect-card: shows what the application reads from a recorder movie or card.
//
//   inspect-card [--table 0|1] MOVIE.MP4
//   inspect-card CARD_FOLDER | INDEX_FILE.DAT
//   inspect-card --backup-folder
//
// For a movie, prints one JSON object: the header values of the recording and
// every frame of the chosen table (0, the default: the frames as recorded; 1:
// the frames at every movie position, gaps filled) with its time key. For a
// card or backup folder (or one of its index files), prints the catalogue:
// trips with their chapters, events, surveillance and adventure recordings
// with their play windows. With --backup-folder, prints the folder whose
// sub-folders "Open From" -> "Backup Folder" lists, made when it is the
// missing Documents folder (scripts/demo-card.sh puts the demo card there).

#include "core/backup/BackupFolderList.h"
#include "core/catalog/CardData.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/settings/SettingInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

QString iconName(IconId id)
{
    switch (id) {
    case IconId::North: return QStringLiteral("North");
    case IconId::NNEast: return QStringLiteral("NNEast");
    case IconId::NorthEast: return QStringLiteral("NorthEast");
    case IconId::NorthEE: return QStringLiteral("NorthEE");
    case IconId::East: return QStringLiteral("East");
    case IconId::SouthEE: return QStringLiteral("SouthEE");
    case IconId::SouthEast: return QStringLiteral("SouthEast");
    case IconId::SSEast: return QStringLiteral("SSEast");
    case IconId::South: return QStringLiteral("South");
    case IconId::SSWest: return QStringLiteral("SSWest");
    case IconId::SouthWest: return QStringLiteral("SouthWest");
    case IconId::SouthWW: return QStringLiteral("SouthWW");
    case IconId::West: return QStringLiteral("West");
    case IconId::NorthWW: return QStringLiteral("NorthWW");
    case IconId::NorthWest: return QStringLiteral("NorthWest");
    case IconId::NNWest: return QStringLiteral("NNWest");
    case IconId::None: return QStringLiteral("None");
    default: return QString::number(int(id));
    }
}

QString detectionName(DetectionType t)
{
    static const char* names[] = {"All", "None", "GSensor", "ExtSW", "UrgencySW", "ExtTrigger",
                                  "SpeedTrigger", "D1", "D2", "D3", "D4", "Movie"};
    return QString::fromLatin1(names[int(t) + 1]);
}

QString violationName(ViolationType t)
{
    static const char* names[] = {"All", "Overspeed", "Accel", "Decel", "Swerve", "Idling",
                                  "GDetection", "LongRun", "OverEnginespeed", "VelocityGDetection"};
    const int i = int(t) + 1;
    return i >= 0 && i < 10 ? QString::fromLatin1(names[i]) : QString::number(int(t));
}

QString timeText(const QDateTime& t)
{
    return t.toUTC().toString(Qt::ISODate);
}

QJsonObject frameJson(qint64 key, const VideoFrame& f)
{
    QJsonObject o;
    o.insert(QStringLiteral("key"), key);
    o.insert(QStringLiteral("_timeStamp"), qint64(f._timeStamp));
    o.insert(QStringLiteral("_movieTimeStamp"), qint64(f._movieTimeStamp));
    o.insert(QStringLiteral("time"), timeText(f.time()));
    o.insert(QStringLiteral("speed"), f.speed);
    o.insert(QStringLiteral("gX"), f.gX);
    o.insert(QStringLiteral("gY"), f.gY);
    o.insert(QStringLiteral("gZ"), f.gZ);
    o.insert(QStringLiteral("latitude"), f._latitude);
    o.insert(QStringLiteral("longitude"), f._longitude);
    o.insert(QStringLiteral("latitudeDeg"), f._latitude / 36000.0);
    o.insert(QStringLiteral("longitudeDeg"), f._longitude / 36000.0);
    o.insert(QStringLiteral("gps"), f.gps);
    o.insert(QStringLiteral("heading"), iconName(f.ex.direction));
    o.insert(QStringLiteral("distance"), f.ex.distance);
    o.insert(QStringLiteral("newPoint"), f.ex.isFrameEnable);
    o.insert(QStringLiteral("violation"), violationName(f.ex.violationType));
    o.insert(QStringLiteral("gDetected"), f.gDetected);
    o.insert(QStringLiteral("powerDown"), f.powerDown);
    o.insert(QStringLiteral("blockNo"), f.blockNo);
    return o;
}

QJsonObject headerJson(const VideoInfo& v)
{
    static const char* terminal[] = {"Separate", "AllInOne", "None"};
    static const char* modes[] = {"HighQuality", "Nomal", "LongRec"};
    QJsonObject o;
    o.insert(QStringLiteral("detectType"), int(v.detectType));
    o.insert(QStringLiteral("detectionType"), detectionName(v._playback.detectionType));
    o.insert(QStringLiteral("sw"), int(v.sw));
    o.insert(QStringLiteral("fileVersion"), v._fileVersion);
    o.insert(QStringLiteral("terminalType"), QString::fromLatin1(terminal[int(v._terminalType)]));
    o.insert(QStringLiteral("recMode"), QString::fromLatin1(modes[int(v._recMode)]));
    o.insert(QStringLiteral("isCutVideo"), v._isCutVideo);
    o.insert(QStringLiteral("powerDown"), v.powerDown);
    o.insert(QStringLiteral("firstTime"), timeText(v.firstTime));
    o.insert(QStringLiteral("lastTime"), timeText(v.lastTime));
    o.insert(QStringLiteral("timeSpan"), qint64(v._timeSpan));
    o.insert(QStringLiteral("detectPosition"), v._playback.detectPosition);
    o.insert(QStringLiteral("detectTime"), timeText(v._playback.detectTime));
    o.insert(QStringLiteral("table0Frames"), qint64(v.getCameraFrames(0).size()));
    o.insert(QStringLiteral("table1Frames"), qint64(v.getCameraFrames(1).size()));
    return o;
}

QJsonObject chapterJson(const ChapterData& c)
{
    QJsonObject o;
    o.insert(QStringLiteral("file"), c._pathMp4.toLocalFile());
    o.insert(QStringLiteral("number"), c.fileNumber());
    o.insert(QStringLiteral("start"), timeText(c.startTime()));
    o.insert(QStringLiteral("timeStamp"), qint64(c.timeStamp()));
    o.insert(QStringLiteral("timeSpan"), c.timeSpan());
    o.insert(QStringLiteral("indexRecord"), c._vmmInfo != nullptr);
    o.insert(QStringLiteral("adventureRecord"), c._advInfo != nullptr);
    return o;
}

QJsonArray tripsJson(const TripList& trips)
{
    QJsonArray out;
    for (const auto& t : trips) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), t->_tripName);
        QJsonArray chapters;
        for (const auto& c : t->chapterDataList()) chapters.append(chapterJson(*c));
        o.insert(QStringLiteral("length"), qint64(PictureDataUtil::totalLength(t->chapterDataList())));
        o.insert(QStringLiteral("chapters"), chapters);
        out.append(o);
    }
    return out;
}

QJsonObject windowJson(const ChapterWindow& w)
{
    QJsonObject o;
    if (!w.chapters) {
        o.insert(QStringLiteral("chapters"), QJsonValue::Null);
        return o;
    }
    QJsonArray files;
    for (const auto& c : *w.chapters) files.append(QFileInfo(c->_pathMp4.toLocalFile()).fileName());
    o.insert(QStringLiteral("chapters"), files);
    o.insert(QStringLiteral("eventValue"), w.eventValue);
    o.insert(QStringLiteral("minValue"), w.minValue);
    o.insert(QStringLiteral("maxValue"), w.maxValue);
    return o;
}

QJsonObject catalogJson(const CardData& card)
{
    static const char* kinds[] = {"NON", "G", "SURV", "SW"};
    QJsonObject out;
    out.insert(QStringLiteral("source"), card.openSourcePath());
    out.insert(QStringLiteral("trips"), tripsJson(card.tripList()));
    QJsonArray tab;
    for (const auto& t : card.tripListTab()) tab.append(t->_tripName);
    out.insert(QStringLiteral("tripTab"), tab);
    QJsonArray events, surveillance;
    for (const auto& r : card.moveProtectList()) {
        QJsonObject o;
        o.insert(QStringLiteral("file"), r->_fileName);
        o.insert(QStringLiteral("kind"), QString::fromLatin1(kinds[int(r->_detect)]));
        o.insert(QStringLiteral("time"), timeText(r->_datetime));
        o.insert(QStringLiteral("timeStamp"), qint64(r->_timeStamp));
        o.insert(QStringLiteral("latitude"), r->_latitude);
        o.insert(QStringLiteral("longitude"), r->_longitude);
        o.insert(QStringLiteral("window"), windowJson(card.protectChapterList(*r)));
        (r->_detect == MoveProtectInfo::DetectStatus::SURV ? surveillance : events).append(o);
    }
    out.insert(QStringLiteral("events"), events);
    out.insert(QStringLiteral("surveillance"), surveillance);
    QJsonArray adventures;
    for (const auto& r : card.advMoveProtectList()) {
        QJsonObject o;
        o.insert(QStringLiteral("file"), r->_fileName);
        o.insert(QStringLiteral("time"), timeText(r->_datetime));
        o.insert(QStringLiteral("end"), timeText(r->_endDatetime));
        o.insert(QStringLiteral("window"), windowJson(card.advChapterLookup(*r)));
        adventures.append(o);
    }
    out.insert(QStringLiteral("adventures"), adventures);
    out.insert(QStringLiteral("adventureTrips"), tripsJson(card.advTripList()));
    out.insert(QStringLiteral("indexRecords"), qint64(card.vrecList().size()));
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("inspect-card"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints what the application reads from a recorder movie, as JSON."));
    parser.addHelpOption();
    QCommandLineOption tableOption(QStringLiteral("table"),
                                   QStringLiteral("Frame table to list: 0 (as recorded, default) or 1 (every movie position)."),
                                   QStringLiteral("n"), QStringLiteral("0"));
    parser.addOption(tableOption);
    QCommandLineOption backupFolderOption(
        QStringLiteral("backup-folder"),
        QStringLiteral("Print the folder whose sub-folders the application's backup-folder chooser lists."));
    parser.addOption(backupFolderOption);
    parser.addPositionalArgument(QStringLiteral("source"),
                                 QStringLiteral("The movie file (.MP4), or a card or backup folder (or one of its .DAT "
                                                "index files) to print its catalogue."));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (parser.isSet(backupFolderOption)) {
        std::printf("%s\n", QFile::encodeName(BackupFolderList::preparedRoot()).constData());
        return 0;
    }
    bool tableOk = false;
    const int table = parser.value(tableOption).toInt(&tableOk);
    if (args.size() != 1 || !tableOk || (table != 0 && table != 1)) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    const QString path = QFileInfo(args.first()).absoluteFilePath();
    const QString upper = QFileInfo(path).fileName().toUpper();
    if (QFileInfo(path).isDir() || upper == CommonConst::FILE_NAME_VREC || upper == CommonConst::FILE_NAME_PRCT ||
        upper == CommonConst::FILE_NAME_ADVP) {
        const auto card = CardData::create();
        card->readCardData(path);
        const QByteArray json = QJsonDocument(catalogJson(*card)).toJson(QJsonDocument::Indented);
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        card->dispose();
        CardData::removeThumbnailFolder();
        return 0;
    }
    if (!QFileInfo(path).isFile()) {
        std::fprintf(stderr, "inspect-card: no such file: %s\n", qPrintable(path));
        return 2;
    }

    const PictureData picture(QUrl::fromLocalFile(path), PictureDataType::All, CommonConst::DEFAULT_DATE(),
                              CommonConst::DEFAULT_DATE().addYears(4000), nullptr, RecType::Melsi14Rec,
                              SettingInfo().makeRecord(SettingInfo::DataType::FileInfo));
    QJsonObject out;
    out.insert(QStringLiteral("file"), path);
    out.insert(QStringLiteral("errors"), QJsonArray::fromStringList(picture.errors));
    out.insert(QStringLiteral("readable"), picture.video != nullptr);
    if (picture.video) {
        out.insert(QStringLiteral("header"), headerJson(*picture.video));
        QJsonArray frames;
        for (const auto& [key, frame] : picture.video->getCameraFrames(table)) frames.append(frameJson(key, *frame));
        out.insert(QStringLiteral("table"), table);
        out.insert(QStringLiteral("frames"), frames);
    }
    const QByteArray json = QJsonDocument(out).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return picture.video ? 0 : 1;
}
