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
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    writeBytes(versions + QStringLiteral("/v104.txt"), "104ABC\r\nsecond line\n");
    writeBytes(versions + QStringLiteral("/v103.txt"), "103");
    writeBytes(versions + QStringLiteral("/v105.txt"), "105\n");
    cardgen::DataFileOptions data;
    data.infCarCode = QStringLiteral("ABC");
    data.infDriverCode = QString();
    data.infTitle = QStringLiteral("テスト走行");
    writeBytes(inis + QStringLiteral("/Playback.inf"), cardgen::encodePlaybackInf(data));
    writeBytes(inis + QStringLiteral("/other.inf"), "[info]\r\nTITLE=x\r\n[INFO]\r\nUSER_CAR_CODE=\r\n");
    return 0;
}
