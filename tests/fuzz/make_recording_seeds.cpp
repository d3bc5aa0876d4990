// Writes the seed corpora of the data-file, event-file and division-file
// fuzz targets: small files built from their byte layouts, whole and damaged.
#include "recording/RecorderFileBuilder.h"

#include <QDir>
#include <cstdio>

using namespace testfiles;

namespace {

FrameRecord frame(std::uint8_t id, std::uint32_t stamp, std::uint32_t size, bool eventFile)
{
    FrameRecord r;
    r.id = id;
    r.timeStamp = stamp;
    r.unixTime = 1700000000 + stamp / 1000;
    r.frameSize = size;
    r.violation = std::uint8_t(0x10 + stamp % 7);
    if (eventFile) r.recordingId = kRecordingId;
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-recording-seeds OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (const char* sub : {"data", "event", "division"})
        QDir().mkpath(out + QLatin1Char('/') + QLatin1String(sub));
    auto path = [&](const char* sub, const char* name) {
        return out + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + QLatin1String(name);
    };

    RecorderHeader header;
    put32(header.bytes, 40, 1080);
    header.addInfo(0x01, 0x03, QByteArray::fromHex("FFFFFFFF"));
    header.addInfo(0x01, 0x04, QByteArray::fromHex("00123456"));
    header.addInfo(0x10, 0x03, QByteArray::fromHex("01"));
    header.addInfo(0x10, 0x06, QByteArray::fromHex("01"));
    const QByteArray data = header.bytes +
                            dataBlock("PPPPSS", {frame(0x55, 1000, 4, false), frame(0xAA, 1020, 2, false)}) +
                            dataBlock("QQQQ", {frame(0x55, 1080, 4, false), frame(0x55, 1160, 0, false)});
    writeFile(path("data", "normal.DAT"), data);
    writeFile(path("data", "truncated.DAT"), data.left(data.size() - 20));
    QByteArray zeroBlock = data;
    put32(zeroBlock, 8192 + 48 + 6 + 128, 0);
    writeFile(path("data", "zeroblock.DAT"), zeroBlock);

    RecorderHeader eventHeader;
    eventHeader.bcdCount = true;
    put32(eventHeader.bytes, 40, 1080);
    eventHeader.addInfo(0x01, 0x03, QByteArray::fromHex("00123456"));
    eventHeader.addInfo(0x02, 0x01, QByteArray::fromHex("02"));
    QByteArray event = eventHeader.bytes;
    for (std::uint32_t i = 0; i < 6; ++i) {
        FrameRecord r = frame(i % 3 == 1 ? 0xAA : 0x55, 1000 + 40 * i, 2, true);
        r.channel = std::uint8_t(1 + i % 2);
        event += eventBlock(r, "XY");
    }
    writeFile(path("event", "normal.dat"), event);
    writeFile(path("event", "truncated.dat"), event.left(event.size() - 40));

    QByteArray division(48, '\0');
    division.replace(2, 6, bcdDate(2024, 3, 5, 17, 8, 9));
    put8(division, 32, 2);
    division += QByteArray::fromHex("0103000000420000") + QByteArray::fromHex("0104123456780000");
    QByteArray payload(30, 'J');
    payload.replace(2, 14, QByteArray("VARNOKI-SEL.\0\0", 14));
    const QByteArray lon = QByteArray::fromHex("13545123");
    const QByteArray lat = QByteArray::fromHex("35401230");
    division += divisionFrame(0xAA, 900, bcdDate(2024, 3, 5, 17, 8, 10), lon, lat, "S");
    division += divisionFrame(0x55, 1000, bcdDate(2024, 3, 5, 17, 8, 11), lon, lat, payload);
    division += divisionFrame(0x55, 2000, bcdDate(2024, 3, 5, 17, 9, 30), lon, lat, payload);
    writeFile(path("division", "division.dat"), division);

    QByteArray movie(48, '\0');
    put8(movie, 0, 0x10);
    movie.replace(2, 6, bcdDate(2024, 3, 5, 17, 8, 9));
    put32(movie, 8, 1080);
    for (std::uint32_t i = 0; i < 5; ++i)
        movie += moveFrame(0x55, 1000 + 40 * i, std::uint8_t(1 + i % 3),
                           bcdDate(2024, 3, 5, 17, 8, 9 + int(i)), std::uint8_t(0x10 + i));
    writeFile(path("division", "movie.dat"), movie);
    return 0;
}
