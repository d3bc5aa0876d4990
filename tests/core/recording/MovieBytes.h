#pragma once

// Builders of small recorder movies, byte by byte, for the reader tests.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace moviebytes {

inline void putU32(QByteArray& b, qsizetype at, std::uint32_t v)
{
    b[at] = char(v >> 24);
    b[at + 1] = char(v >> 16);
    b[at + 2] = char(v >> 8);
    b[at + 3] = char(v);
}

inline QByteArray u32(std::uint32_t v)
{
    QByteArray b(4, 0);
    putU32(b, 0, v);
    return b;
}

inline QByteArray box(const char* type, const QByteArray& payload)
{
    return u32(std::uint32_t(payload.size() + 8)) + QByteArray(type, 4) + payload;
}

inline const QByteArray RECORDING_ID = QByteArray::fromHex("CAFE0001");

struct Header {
    std::uint8_t kind = 0x10;
    std::uint32_t detectTime = 1700000000;
    std::uint8_t sw = 0x00;
    std::uint32_t detectPosition = 0;
    QByteArray recordingId = RECORDING_ID;
    std::vector<QByteArray> infoRecords; // 8 bytes each
};

inline QByteArray infoRecord(std::uint8_t group, std::uint8_t item, std::uint8_t d0, std::uint8_t d1 = 0xFF)
{
    QByteArray r(8, char(0xFF));
    r[0] = char(group);
    r[1] = char(item);
    r[2] = char(d0);
    r[3] = char(d1);
    std::uint8_t x = 0;
    for (int i = 0; i < 7; ++i) x ^= std::uint8_t(r[i]);
    r[7] = char(x);
    return r;
}

inline QByteArray headerBytes(const Header& h)
{
    QByteArray b(80 + 8 * int(h.infoRecords.size()), 0);
    b[0] = char(h.kind);
    putU32(b, 2, h.detectTime);
    b[30] = char(h.sw);
    putU32(b, 40, h.detectPosition);
    b.replace(44, 4, h.recordingId);
    b[64] = char(h.infoRecords.size());
    for (std::size_t i = 0; i < h.infoRecords.size(); ++i) b.replace(80 + 8 * int(i), 8, h.infoRecords[i]);
    return b;
}

struct Record {
    std::uint32_t time = 1700000000;
    std::uint32_t longitude = 0x800000 | 5000000; // west flag | magnitude
    std::uint32_t latitude = 1200000;
    std::uint16_t speed10 = 605;                   // 60.5 km/h
    std::uint16_t gx = 0x0000, gy = 0x0000, gz = 0x1F40; // gz raw 8000/16*2 = 1000 -> 0 g
    std::uint8_t sw = 0;
    std::uint8_t flags = 0x06; // gps | gps2
    std::uint8_t channel = 1;
    std::uint32_t frameSize = 4096;
    std::uint32_t timeStamp = 0;
    std::uint8_t id = 0x55;
    std::uint8_t event = 0x00;
    std::uint8_t qualifier = 0x00;
    QByteArray recordingId = RECORDING_ID;
    bool noPosition = false;
};

inline QByteArray recordBytes(const Record& r)
{
    QByteArray b(64, 0);
    putU32(b, 2, r.time);
    if (r.noPosition) {
        b[6] = b[7] = b[8] = char(0xFF);
    } else {
        b[6] = char(r.longitude >> 16);
        b[7] = char(r.longitude >> 8);
        b[8] = char(r.longitude);
        b[9] = char(r.latitude >> 16);
        b[10] = char(r.latitude >> 8);
        b[11] = char(r.latitude);
    }
    b[12] = char(r.speed10 >> 8);
    b[13] = char(r.speed10);
    b[16] = char(r.gx >> 8);
    b[17] = char(r.gx);
    b[18] = char(r.gy >> 8);
    b[19] = char(r.gy);
    b[20] = char(r.gz >> 8);
    b[21] = char(r.gz);
    b[30] = char(r.sw);
    b[31] = char(r.flags);
    b[32] = char(r.channel);
    putU32(b, 36, r.frameSize);
    putU32(b, 40, r.timeStamp);
    b[44] = char(r.id);
    b[45] = char(r.event);
    b[46] = char(r.qualifier);
    b.replace(60, 4, r.recordingId);
    return b;
}

// A movie: ftyp, mdat holding the header and the runs, then the udat index
// (offsets in ascending order of the ranges given). Extra entries may point
// anywhere.
struct Movie {
    QByteArray header;
    std::vector<QByteArray> runs;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> extraEntries;
};

inline QByteArray movieBytes(const Movie& m)
{
    QByteArray out = box("ftyp", QByteArray("isom\0\0\2\0isomiso2avc1mp41", 24));
    QByteArray mdatPayload;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
    const qsizetype mdatStart = out.size() + 8;
    entries.emplace_back(std::uint32_t(mdatStart + mdatPayload.size()), std::uint32_t(m.header.size()));
    mdatPayload += m.header;
    for (const QByteArray& run : m.runs) {
        entries.emplace_back(std::uint32_t(mdatStart + mdatPayload.size()), std::uint32_t(run.size()));
        mdatPayload += run;
    }
    for (const auto& e : m.extraEntries) entries.push_back(e);
    out += box("mdat", mdatPayload);
    QByteArray index = u32(0) + u32(std::uint32_t(entries.size()));
    for (const auto& [offset, length] : entries) index += u32(offset) + u32(length);
    out += box("udat", index);
    return out;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace moviebytes
