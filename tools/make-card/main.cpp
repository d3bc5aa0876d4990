// make-card: writes a synthetic recorder card (or one trip of movies) for
// tests, fuzzing seeds and the demo. See README.md beside this file.

#include "CardGen.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "make-card: %s\n", qPrintable(message));
    std::exit(2);
}

int toInt(const QString& text, const char* what, int lo, int hi)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) fail(QStringLiteral("bad %1: %2").arg(QLatin1String(what), text));
    return v;
}

double toDouble(const QString& text, const char* what)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok) fail(QStringLiteral("bad %1: %2").arg(QLatin1String(what), text));
    return v;
}

quint32 toTime(const QString& text)
{
    bool ok = false;
    const qint64 secs = text.toLongLong(&ok);
    if (ok && secs >= 0 && secs <= 0xFFFFFFFFLL) return quint32(secs);
    const QDateTime t = QDateTime::fromString(text, Qt::ISODate);
    if (!t.isValid() || t.toSecsSinceEpoch() < 0) fail(QStringLiteral("bad --start: ") + text);
    return quint32(t.toSecsSinceEpoch());
}

unsigned toDamage(const QString& text)
{
    unsigned d = cardgen::NoDamage;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString p = part.trimmed().toLower();
        if (p == QLatin1String("powerloss"))
            d |= cardgen::PowerLoss;
        else if (p == QLatin1String("boxpastend"))
            d |= cardgen::BoxPastEnd;
        else if (p == QLatin1String("invalidbcd"))
            d |= cardgen::InvalidBcd;
        else if (p == QLatin1String("shortheader"))
            d |= cardgen::ShortHeader;
        else if (p == QLatin1String("overlapping"))
            d |= cardgen::OverlappingRanges;
        else
            fail(QStringLiteral("unknown damage: ") + part);
    }
    return d;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("make-card"));
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "Writes a synthetic drive-recorder card: MOVE/MOVE001/... movies (H.264 made by ffmpeg, "
        "with the recorder's udat box), VREC_MOV_MNG.DAT, MOV_PRCT.DAT, ADV_PRCT.DAT, SETINF.DAT."));
    cli.addHelpOption();
    const QCommandLineOption out({QStringLiteral("o"), QStringLiteral("out")},
                                 QStringLiteral("Card folder to write."), QStringLiteral("dir"));
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("The demo card (three trips, events, surveillance, adventure, a data file)."));
    const QCommandLineOption movieOnly(
        QStringLiteral("movie-only"),
        QStringLiteral("Only the movies of the trip: no index, settings or version files."));
    const QCommandLineOption chapters(QStringLiteral("chapters"),
                                      QStringLiteral("Chapters of the trip (default 3)."),
                                      QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Seconds per chapter (default 60)."), QStringLiteral("s"),
                                     QStringLiteral("60"));
    const QCommandLineOption start(
        QStringLiteral("start"),
        QStringLiteral("Start time: UNIX seconds or ISO 8601 (default 2026-03-14T21:30:00Z)."),
        QStringLiteral("time"));
    const QCommandLineOption stamp(
        QStringLiteral("stamp"), QStringLiteral("Recorder time stamp of the first frame, ms (default 5000)."),
        QStringLiteral("ms"));
    const QCommandLineOption lat(QStringLiteral("lat"),
                                 QStringLiteral("Start latitude, degrees (default -33.8688)."),
                                 QStringLiteral("deg"));
    const QCommandLineOption lon(QStringLiteral("lon"),
                                 QStringLiteral("Start longitude, degrees (default 151.2093)."),
                                 QStringLiteral("deg"));
    const QCommandLineOption heading(QStringLiteral("heading"),
                                     QStringLiteral("Start heading, degrees from north."),
                                     QStringLiteral("deg"));
    const QCommandLineOption profile(QStringLiteral("profile"),
                                     QStringLiteral("urban, highway, parked or constant (default urban)."),
                                     QStringLiteral("name"));
    const QCommandLineOption speed(QStringLiteral("speed"), QStringLiteral("Cruise speed, km/h."),
                                   QStringLiteral("kmh"));
    const QCommandLineOption limit(QStringLiteral("limit"),
                                   QStringLiteral("Speed limit for overspeed flags, km/h."),
                                   QStringLiteral("kmh"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Random seed (default 1)."),
                                  QStringLiteral("n"));
    const QCommandLineOption number(QStringLiteral("number"),
                                    QStringLiteral("File number of the first chapter (default 1)."),
                                    QStringLiteral("n"));
    const QCommandLineOption shape(
        QStringLiteral("underscore"),
        QStringLiteral("Name movies 12digits_NNNN.MP4 instead of mNNNNNNNNNNNNNNNN.MP4."));
    const QCommandLineOption gEvent(QStringLiteral("event"),
                                    QStringLiteral("A G-sensor event at this trip second (repeatable)."),
                                    QStringLiteral("s"));
    const QCommandLineOption swEvent(QStringLiteral("switch"),
                                     QStringLiteral("A switch press at this trip second (repeatable)."),
                                     QStringLiteral("s"));
    const QCommandLineOption survEvent(
        QStringLiteral("surveillance"),
        QStringLiteral("A surveillance detection at this trip second (repeatable)."), QStringLiteral("s"));
    const QCommandLineOption adventure(
        QStringLiteral("adventure"),
        QStringLiteral("Adventure recording over chapters FIRST..LAST (1-based), e.g. 2..3."),
        QStringLiteral("range"));
    const QCommandLineOption damage(
        QStringLiteral("damage"),
        QStringLiteral("Damage for the last chapter: powerloss,boxpastend,invalidbcd,shortheader,overlapping."),
        QStringLiteral("list"));
    const QCommandLineOption formatCode(
        QStringLiteral("format-code"),
        QStringLiteral("Format code of the movies, 4 hex digits (default 0714); CODE:N for chapter N (1-based) "
                       "only."),
        QStringLiteral("code"));
    const QCommandLineOption udatSize(
        QStringLiteral("udat-size"),
        QStringLiteral("Size field of the udat box: 32, 64 or 0 (to the end of the file)."),
        QStringLiteral("form"), QStringLiteral("32"));
    const QCommandLineOption sound(QStringLiteral("sound"),
                                   QStringLiteral("Sound records per second of movie (default 0)."),
                                   QStringLiteral("n"));
    const QCommandLineOption noVideo(QStringLiteral("no-video"),
                                     QStringLiteral("Tiny stand-in boxes instead of an ffmpeg movie."));
    const QCommandLineOption listMode(
        QStringLiteral("list-mode"),
        QStringLiteral("List mode of VREC_MOV_MNG.DAT and MOV_PRCT.DAT: 0 or 1 (default 1)."),
        QStringLiteral("mode"), QStringLiteral("1"));
    const QCommandLineOption dataFile(
        QStringLiteral("data-file"),
        QStringLiteral("Also write a recorder data file with Playback.inf under DATA/0001/."));
    const QCommandLineOption setting(
        QStringLiteral("setting"),
        QStringLiteral("A record of SETINF.DAT as CODE=HEXDATA, e.g. 0801=0045 (repeatable); the file then "
                       "holds FILE_INFO 0714 (unless a 0001 record is given) and these records only."),
        QStringLiteral("record"));
    const QCommandLineOption size(
        QStringLiteral("size"),
        QStringLiteral("Picture size of the movies, WxH (default 320x180; 1920x1080 for --demo)."),
        QStringLiteral("WxH"));
    const QCommandLineOption audio(QStringLiteral("audio"),
                                   QStringLiteral("Movies with a sound track (AAC, mono) beside the picture."));
    const QCommandLineOption cache(QStringLiteral("cache"),
                                   QStringLiteral("Folder that keeps the ffmpeg movies between runs."),
                                   QStringLiteral("dir"));
    cli.addOptions({out,       demo,      movieOnly, chapters, seconds, start,   stamp,    lat,      lon,
                    heading,   profile,   speed,     limit,    seed,    number,  shape,    gEvent,   swEvent,
                    survEvent, adventure, damage,    udatSize, sound,   noVideo, listMode, dataFile, cache,
                    setting,   formatCode, size,      audio});
    cli.process(app);
    if (!cli.isSet(out)) fail(QStringLiteral("--out is required (see --help)"));

    QElapsedTimer timer;
    timer.start();
    cardgen::CardOptions card;
    if (cli.isSet(cache)) card.videoCacheDir = cli.value(cache);
    if (cli.isSet(demo)) {
        const QString cacheDir = card.videoCacheDir;
        card = cardgen::demoCardOptions();
        card.videoCacheDir = cacheDir;
    } else {
        cardgen::TripOptions t;
        t.chapters = toInt(cli.value(chapters), "--chapters", 1, 9999);
        t.chapterSeconds = toInt(cli.value(seconds), "--seconds", 1, 3600);
        if (cli.isSet(start)) t.drive.startTime = toTime(cli.value(start));
        if (cli.isSet(stamp)) t.drive.startStamp = quint32(toDouble(cli.value(stamp), "--stamp"));
        if (cli.isSet(lat)) t.drive.startLat = toDouble(cli.value(lat), "--lat");
        if (cli.isSet(lon)) t.drive.startLon = toDouble(cli.value(lon), "--lon");
        if (cli.isSet(heading)) t.drive.headingDeg = toDouble(cli.value(heading), "--heading");
        if (cli.isSet(speed)) t.drive.cruiseKmh = toDouble(cli.value(speed), "--speed");
        if (cli.isSet(limit)) t.drive.speedLimitKmh = toDouble(cli.value(limit), "--limit");
        if (cli.isSet(seed)) t.drive.seed = quint64(toInt(cli.value(seed), "--seed", 0, 0x7FFFFFFF));
        if (cli.isSet(profile)) {
            const QString p = cli.value(profile).toLower();
            if (p == QLatin1String("urban"))
                t.drive.profile = cardgen::SpeedProfile::Urban;
            else if (p == QLatin1String("highway"))
                t.drive.profile = cardgen::SpeedProfile::Highway;
            else if (p == QLatin1String("parked"))
                t.drive.profile = cardgen::SpeedProfile::Parked;
            else if (p == QLatin1String("constant"))
                t.drive.profile = cardgen::SpeedProfile::Constant;
            else
                fail(QStringLiteral("unknown profile: ") + p);
        }
        if (cli.isSet(number)) card.firstFileNumber = toInt(cli.value(number), "--number", 1, 9999);
        if (cli.isSet(shape)) t.shape = cardgen::NameShape::Underscore;
        for (const QString& s : cli.values(gEvent))
            t.drive.incidents.push_back(
                {cardgen::Incident::Kind::GShock, qint64(toDouble(s, "--event") * 1000), true});
        for (const QString& s : cli.values(swEvent))
            t.drive.incidents.push_back(
                {cardgen::Incident::Kind::SwitchPress, qint64(toDouble(s, "--switch") * 1000), true});
        for (const QString& s : cli.values(survEvent))
            t.drive.incidents.push_back(
                {cardgen::Incident::Kind::Surveillance, qint64(toDouble(s, "--surveillance") * 1000), true});
        if (cli.isSet(adventure)) {
            const QStringList r = cli.value(adventure).split(QStringLiteral(".."));
            const int first = toInt(r.value(0), "--adventure", 1, t.chapters);
            const int last = r.size() > 1 ? toInt(r.value(1), "--adventure", first, t.chapters) : first;
            t.adventureFirstChapter = first - 1;
            t.adventureChapters = last - first + 1;
        }
        if (cli.isSet(damage)) t.damaged = {{t.chapters - 1, toDamage(cli.value(damage)), -1}};
        if (cli.isSet(formatCode)) {
            const QStringList parts = cli.value(formatCode).split(QLatin1Char(':'));
            bool ok = false;
            const quint16 code = parts[0].size() == 4 ? quint16(parts[0].toUInt(&ok, 16)) : 0;
            if (!ok || parts.size() > 2) fail(QStringLiteral("bad --format-code: ") + cli.value(formatCode));
            if (parts.size() == 2)
                t.chapterFormatCodes[toInt(parts[1], "--format-code", 1, t.chapters) - 1] = code;
            else
                t.format.formatCode = code;
        }
        const QString form = cli.value(udatSize);
        if (form == QLatin1String("64"))
            t.format.udatSize = cardgen::BoxSizeForm::Size64;
        else if (form == QLatin1String("0"))
            t.format.udatSize = cardgen::BoxSizeForm::ToEnd;
        else if (form != QLatin1String("32"))
            fail(QStringLiteral("bad --udat-size: ") + form);
        if (cli.isSet(sound)) t.format.soundPerSecond = toInt(cli.value(sound), "--sound", 0, 100);
        if (cli.isSet(noVideo)) t.format.realVideo = false;
        card.trips.push_back(t);
        const int mode = toInt(cli.value(listMode), "--list-mode", 0, 255);
        card.vrecListMode = quint8(mode);
        card.prctListMode = quint8(mode);
        if (cli.isSet(movieOnly)) {
            card.managementFiles = false;
            card.settingsFile = false;
            card.versionFile = false;
        }
        if (cli.isSet(dataFile)) {
            cardgen::DataFileOptions d;
            d.drive.startTime = t.drive.startTime;
            d.infTitle = QStringLiteral("テスト記録");
            card.dataFiles.push_back(d);
        }
    }

    if (cli.isSet(setting)) {
        std::vector<cardgen::Record8> records;
        bool hasFileInfo = false;
        for (const QString& text : cli.values(setting)) {
            const auto record = cardgen::parseSettingsRecord(text);
            if (!record) fail(QStringLiteral("bad --setting: ") + text);
            hasFileInfo = hasFileInfo || ((*record)[0] == 0x00 && (*record)[1] == 0x01);
            records.push_back(*record);
        }
        if (!hasFileInfo) records.insert(records.begin(), cardgen::fileInfoRecord());
        card.settingsFile = true;
        card.settingsRecords = records;
    }

    if (cli.isSet(demo)) setVideoSize(card, cardgen::DEMO_VIDEO_WIDTH, cardgen::DEMO_VIDEO_HEIGHT);
    if (cli.isSet(size)) {
        const QStringList wh = cli.value(size).toLower().split(QLatin1Char('x'));
        if (wh.size() != 2) fail(QStringLiteral("bad --size: ") + cli.value(size));
        setVideoSize(card, toInt(wh[0], "--size", 16, 3840), toInt(wh[1], "--size", 16, 2160));
    }
    if (cli.isSet(audio))
        for (cardgen::TripOptions& t : card.trips) t.format.audio = true;

    try {
        const cardgen::WrittenCard written = cardgen::writeCard(cli.value(out), card);
        QTextStream so(stdout);
        for (const QString& f : written.files)
            so << f << '\n';
        so << "make-card: " << written.files.size() << " files in " << timer.elapsed() << " ms\n";
    } catch (const std::exception& e) {
        fail(QString::fromUtf8(e.what()));
    }
    return 0;
}
