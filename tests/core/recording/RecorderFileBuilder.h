#pragma once

// Builds the recorder's data, event, division and movie files byte by byte
// for the reader tests, straight from their byte layouts.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

namespace testfiles {

inline void put8(QByteArray& b, qsizetype at, std::uint32_t v)
{
    b[at] = char(v & 0xFF);
}
inline void put16(QByteArray& b, qsizetype at, std::uint32_t v)
{
    put8(b, at, v >> 8);
    put8(b, at + 1, v);
}
inline void put24(QByteArray& b, qsizetype at, std::uint32_t v)
{
    put8(b, at, v >> 16);
    put16(b, at + 1, v);
}
inline void put32(QByteArray& b, qsizetype at, std::uint32_t v)
{
    put16(b, at, v >> 16);
    put16(b, at + 2, v);
}

inline const QByteArray kRecordingId = QByteArray::fromHex("C0FFEE01");

// One 64-byte frame record of a data or event file.
struct FrameRecord {
    std::uint32_t unixTime = 1700000000;
    std::uint32_t longitude24 = 0x123456; // bit 23 = west; 0xFFFFFF = no position
    std::uint32_t latitude24 = 0x045678;  // bit 23 = south
    std::uint16_t speedTenths = 0;
    std::uint16_t engineSpeed = 0;
    std::uint16_t gx = 0, gy = 0, gz = 0;
    std::uint8_t status = 0, sw = 0, flags = 0x06; // GPS valid, second GPS flag
    std::uint8_t channel = 1;                      // picture channel / camera
    std::uint32_t frameSize = 0;
    std::uint32_t timeStamp = 0;
    std::uint8_t id = 0x55;
    std::uint8_t violation = 0x00;
    std::uint8_t qualifier = 0x00;
    QByteArray recordingId = QByteArray::fromHex("0BADF00D"); // differs from the header's: read

    QByteArray bytes() const
    {
        QByteArray r(64, '\0');
        put32(r, 2, unixTime);
        put24(r, 6, longitude24);
        put24(r, 9, latitude24);
        put16(r, 12, speedTenths);
        put16(r, 14, engineSpeed);
        put16(r, 16, gx);
        put16(r, 18, gy);
        put16(r, 20, gz);
        put8(r, 29, status);
        put8(r, 30, sw);
        put8(r, 31, flags);
        put8(r, 32, channel);
        put32(r, 36, frameSize);
        put32(r, 40, timeStamp);
        put8(r, 44, id);
        put8(r, 45, violation);
        put8(r, 46, qualifier);
        r.replace(60, 4, recordingId);
        return r;
    }
};

// The 8192-byte header shared by data and event files.
struct RecorderHeader {
    QByteArray bytes = QByteArray(8192, '\0');
    int records = 0;
    bool bcdCount = false; // event files keep the record count in BCD

    RecorderHeader()
    {
        put8(bytes, 0, 0x10); // G-sensor recording
        put32(bytes, 2, 1700000000);
        bytes.replace(44, 4, kRecordingId);
    }
    void addInfo(std::uint8_t group, std::uint8_t item, QByteArray data)
    {
        data = data.leftJustified(5, '\0', true);
        const qsizetype at = 80 + 8 * records;
        put8(bytes, at, group);
        put8(bytes, at + 1, item);
        bytes.replace(at + 2, 5, data);
        ++records;
        put8(bytes, 64,
             bcdCount ? std::uint32_t((records / 10) << 4 | (records % 10)) : std::uint32_t(records));
    }
};

// A data file block: 48-byte head, payload, frame records.
inline QByteArray dataBlock(const QByteArray& payload, const std::vector<FrameRecord>& records,
                            std::int64_t blockSizeOverride = -1, std::int64_t dataSizeOverride = -1)
{
    QByteArray block(48, '\0');
    block += payload;
    for (const FrameRecord& r : records)
        block += r.bytes();
    put32(block, 0, blockSizeOverride >= 0 ? std::uint32_t(blockSizeOverride) : std::uint32_t(block.size()));
    put32(block, 8, dataSizeOverride >= 0 ? std::uint32_t(dataSizeOverride) : std::uint32_t(payload.size()));
    return block;
}

// An event file block: head with the block's recording id at 28, the record at 32, the payload at 96.
inline QByteArray eventBlock(const FrameRecord& record, const QByteArray& payload,
                             const QByteArray& blockId = kRecordingId, std::int64_t blockSizeOverride = -1)
{
    QByteArray block(32, '\0');
    block.replace(28, 4, blockId);
    block += record.bytes();
    block += payload;
    put32(block, 0, blockSizeOverride >= 0 ? std::uint32_t(blockSizeOverride) : std::uint32_t(block.size()));
    put32(block, 8, std::uint32_t(payload.size()));
    return block;
}

// Six BCD bytes: year - 2000, month, day, hour, minute, second.
inline QByteArray bcdDate(int year, int month, int day, int hour, int minute, int second)
{
    QByteArray b;
    for (int v : {year - 2000, month, day, hour, minute, second})
        b.append(char((v / 10) << 4 | (v % 10)));
    return b;
}

// A division-file frame: 64-byte head and payload of length bytes.
inline QByteArray divisionFrame(std::uint8_t kind, std::uint32_t timeStamp, const QByteArray& date,
                                const QByteArray& longitudeBcd, const QByteArray& latitudeBcd,
                                QByteArray payload)
{
    QByteArray f(64, '\0');
    put32(f, 0, std::uint32_t(payload.size()));
    put32(f, 4, timeStamp);
    put8(f, 12, kind);
    f.replace(36, 6, date);
    f.replace(48, 4, longitudeBcd);
    f.replace(52, 4, latitudeBcd);
    return f + payload;
}

// A movie-file frame: a 32-byte head (payload length V, time stamp, the kind
// at 8 + V), the 32-byte data block V + 28 bytes after the head's start,
// then V payload bytes (V = 4 puts the block right after the head).
inline QByteArray moveFrame(std::uint8_t kind, std::uint32_t timeStamp, std::uint8_t camera,
                            const QByteArray& date, std::uint8_t violation,
                            const QByteArray& payload4 = QByteArray(4, 'P'))
{
    const std::uint32_t v = std::uint32_t(payload4.size());
    QByteArray f(int(v + 28 + 32), '\0');
    put32(f, 0, v);
    put32(f, 4, timeStamp);
    put8(f, 8 + v, kind);
    const qsizetype b = v + 28;
    put8(f, b, camera);
    f.replace(b + 4, 6, date);
    f.replace(b + 10, 2, QByteArray::fromHex("8150"));     // gX -0.150
    f.replace(b + 12, 2, QByteArray::fromHex("0025"));     // gY 0.025
    f.replace(b + 14, 2, QByteArray::fromHex("0062"));     // 62 km/h
    f.replace(b + 16, 4, QByteArray::fromHex("13545123")); // 135 45' 12.3"
    f.replace(b + 20, 4, QByteArray::fromHex("35401230")); // 35 40' 12.3"
    put8(f, b + 24, violation);
    put8(f, b + 29, 0x04);
    return f + payload4;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace testfiles
