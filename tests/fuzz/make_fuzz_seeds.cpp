// Writes the seed corpora of the fuzz targets: small generated movies, whole
// and damaged, and a few version texts.
#include "CardGen.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

// A movie of one run of frame records a second apart, indexed by as many
// ranges as it has records, each from its record to the end of the run: the
// ranges overlap so that, decoded each in full, they would be read about
// n * n / 2 times. Under 64 KB, as the fuzz runs take their inputs.
QByteArray denselyOverlappingMovie(int records)
{
    cardgen::RecordingHeader h;
    h.kind = 0x10;
    h.recordingId = 0xCAFE0001;
    h.infoRecords = {cardgen::fileInfoRecord(), cardgen::qualityModeRecord(1)};
    const QByteArray header = cardgen::encodeRecordingHeader(h);
    QByteArray run;
    for (int i = 0; i < records; ++i) {
        cardgen::FrameSample f;
        f.unixTime = 1700000000 + quint32(i);
        f.stamp = 5000 + 1000 * quint32(i);
        run += cardgen::encodeFrameRecord(f, h.recordingId);
    }
    const QByteArray ftyp = cardgen::buildBox("ftyp", QByteArrayLiteral("isom\0\0\2\0isomiso2avc1mp41"));
    const QByteArray mdat = cardgen::buildBox("mdat", header + run);
    const quint32 headerAt = quint32(ftyp.size() + 8);
    const quint32 runAt = headerAt + quint32(header.size());
    QByteArray index(8 + 8 * (1 + records), '\0');
    cardgen::putU32(index, 4, quint32(1 + records));
    cardgen::putU32(index, 8, headerAt);
    cardgen::putU32(index, 12, quint32(header.size()));
    for (int i = 0; i < records; ++i) {
        cardgen::putU32(index, 16 + 8 * i, runAt + 64 * quint32(i));
        cardgen::putU32(index, 20 + 8 * i, quint32(run.size()) - 64 * quint32(i));
    }
    return ftyp + mdat + cardgen::buildBox("udat", index);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString movies = out + QStringLiteral("/movies");
    const QString versions = out + QStringLiteral("/versions");
    const QString inis = out + QStringLiteral("/playback");
    QDir().mkpath(movies);
    QDir().mkpath(versions);
    QDir().mkpath(inis);
    const QString index = out + QStringLiteral("/index");
    const QString archives = out + QStringLiteral("/archives");
    QDir().mkpath(index);
    QDir().mkpath(archives);

    struct Variant {
        const char* name;
        int seconds;
        unsigned damage;
        cardgen::BoxSizeForm form;
        int sound;
        quint8 kind;
    };
    const Variant variants[] = {
        {"plain", 2, cardgen::NoDamage, cardgen::BoxSizeForm::Size32, 0, 0x10},
        {"sound", 2, cardgen::NoDamage, cardgen::BoxSizeForm::Size32, 2, 0x17},
        {"size64", 1, cardgen::NoDamage, cardgen::BoxSizeForm::Size64, 0, 0x10},
        {"toend", 1, cardgen::NoDamage, cardgen::BoxSizeForm::ToEnd, 0, 0x20},
        {"powerloss", 3, cardgen::PowerLoss, cardgen::BoxSizeForm::Size32, 0, 0x10},
        {"pastend", 1, cardgen::BoxPastEnd, cardgen::BoxSizeForm::Size32, 0, 0x10},
        {"bcd", 2, cardgen::InvalidBcd, cardgen::BoxSizeForm::Size32, 0, 0x10},
        {"shortheader", 1, cardgen::ShortHeader, cardgen::BoxSizeForm::Size32, 0, 0x10},
        // Ranges that overlap: decoded each in full they once took memory
        // growing with the square of the file (the run's memory limit guards it).
        {"overlap", 24, cardgen::OverlappingRanges, cardgen::BoxSizeForm::Size32, 0, 0x10},
    };
    try {
        for (const Variant& v : variants) {
            cardgen::MovieOptions o;
            o.durationSeconds = v.seconds;
            o.format.realVideo = false;
            o.format.damage = v.damage;
            o.format.udatSize = v.form;
            o.format.soundPerSecond = v.sound;
            o.format.kind = v.kind;
            o.format.detectStamp = o.drive.startStamp + 700;
            cardgen::writeMovie(movies + QLatin1Char('/') + QString::fromLatin1(v.name) + QStringLiteral(".MP4"), o);
        }
        writeBytes(movies + QStringLiteral("/overlap-dense.MP4"), denselyOverlappingMovie(700));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    try {
        // The index files of a small generated card, in both list modes.
        for (quint8 mode : {quint8(0), quint8(1)}) {
            cardgen::CardOptions c;
            c.vrecListMode = mode;
            c.prctListMode = mode;
            c.settingsFile = false;
            cardgen::TripOptions t;
            t.chapters = 2;
            t.chapterSeconds = 2;
            t.format.realVideo = false;
            t.adventureFirstChapter = 0;
            t.adventureChapters = 2;
            t.drive.incidents = {{cardgen::Incident::Kind::GShock, 500, true},
                                 {cardgen::Incident::Kind::SwitchPress, 2500, true}};
            const QString root = out + QStringLiteral("/card%1").arg(mode);
            const cardgen::WrittenCard w = cardgen::writeCard(root, c);
            for (const char* name : {"VREC_MOV_MNG.DAT", "MOV_PRCT.DAT", "ADV_PRCT.DAT"}) {
                QFile f(w.moveDir + QLatin1Char('/') + QString::fromLatin1(name));
                if (f.open(QIODevice::ReadOnly))
                    writeBytes(index + QStringLiteral("/%1%2").arg(mode).arg(QString::fromLatin1(name)), f.readAll());
            }
            QDir(root).removeRecursively();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    // The archive target reads its input as edits of an archive of its own;
    // two zero bytes leave that archive whole.
    writeBytes(archives + QStringLiteral("/whole.bin"), QByteArray(2, '\0'));
    writeBytes(archives + QStringLiteral("/header.bin"), QByteArrayLiteral("bplist00"));
    writeBytes(versions + QStringLiteral("/v104.txt"), "104ABC\r\nsecond line\n");
    writeBytes(versions + QStringLiteral("/v103.txt"), "103");
    writeBytes(versions + QStringLiteral("/v105.txt"), "105\n");
    cardgen::DataFileOptions data;
    data.infCarCode = QStringLiteral("ABC");
    data.infDriverCode = QString();
    data.infTitle = QStringLiteral("テスト走行");
    writeBytes(inis + QStringLiteral("/Playback.inf"), cardgen::encodePlaybackInf(data));
    // Settings files: what a recorder writes, and a short one.
    const QString settings = out + QStringLiteral("/settings");
    QDir().mkpath(settings);
    const QByteArray setinf = cardgen::buildSettingsFile(cardgen::defaultSettingsRecords());
    writeBytes(settings + QStringLiteral("/SETINF.DAT"), setinf);
    writeBytes(settings + QStringLiteral("/short.DAT"), setinf.left(40));
    writeBytes(inis + QStringLiteral("/other.inf"), "[info]\r\nTITLE=x\r\n[INFO]\r\nUSER_CAR_CODE=\r\n");
    return 0;
}
