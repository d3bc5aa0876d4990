#include "CardGen.h"

#include <stdexcept>

namespace cardgen {

quint8 bcd(int value)
{
    if (value < 0) value = -value;
    value %= 100;
    return quint8(((value / 10) << 4) | (value % 10));
}

Record8 settingsRecord(quint8 group, quint8 item, std::initializer_list<quint8> data)
{
    return settingsRecordOfBytes(group, item,
                                 QByteArrayView(reinterpret_cast<const char*>(data.begin()), qsizetype(data.size())));
}

Record8 settingsRecordOfBytes(quint8 group, quint8 item, QByteArrayView data)
{
    if (data.size() > 5) throw std::invalid_argument("a settings record holds at most 5 data bytes");
    Record8 r;
    r.fill(0xFF);
    r[0] = group;
    r[1] = item;
    for (qsizetype i = 0; i < data.size(); ++i)
        r[std::size_t(2 + i)] = quint8(data[i]);
    quint8 x = 0;
    for (int k = 0; k < 7; ++k)
        x ^= r[k];
    r[7] = x;
    return r;
}

Record8 fileInfoRecord(quint16 formatCode)
{
    return settingsRecord(0x00, 0x01, {quint8(formatCode >> 8), quint8(formatCode)});
}
Record8 qualityModeRecord(quint8 mode)
{
    return settingsRecord(0x10, 0x03, {mode});
}

quint16 gField(int milliG)
{
    // The field keeps milli-g / 2 in its upper 12 bits; the low 4 bits are
    // dropped by every reader, so they stay 0.
    int half = milliG >= 0 ? (milliG + 1) / 2 : -((-milliG + 1) / 2);
    if (half > 2047) half = 2047;
    if (half < -2048) half = -2048;
    return quint16((quint16(half) & 0x0FFF) << 4);
}

quint32 positionField(qint32 value)
{
    quint32 magnitude = value < 0 ? quint32(-qint64(value)) : quint32(value);
    if (magnitude > 0x7FFFFF) magnitude = 0x7FFFFF;
    return value < 0 ? (0x800000u | magnitude) : magnitude;
}

void putU16(QByteArray& b, int o, quint16 v)
{
    b[o] = char(v >> 8);
    b[o + 1] = char(v);
}
void putU24(QByteArray& b, int o, quint32 v)
{
    b[o] = char(v >> 16);
    b[o + 1] = char(v >> 8);
    b[o + 2] = char(v);
}
void putU32(QByteArray& b, int o, quint32 v)
{
    b[o] = char(v >> 24);
    b[o + 1] = char(v >> 16);
    b[o + 2] = char(v >> 8);
    b[o + 3] = char(v);
}
void putU64(QByteArray& b, int o, quint64 v)
{
    putU32(b, o, quint32(v >> 32));
    putU32(b, o + 4, quint32(v));
}

QByteArray encodeFrameRecord(const FrameSample& s, quint32 recordingTail)
{
    QByteArray r(64, '\0');
    r[0] = char(s.kind);
    putU32(r, 2, s.unixTime);
    if (s.hasPosition) {
        putU24(r, 6, positionField(s.longitude));
        putU24(r, 9, positionField(s.latitude));
    } else {
        // No fix: the longitude bytes say so; the latitude bytes are blank too.
        putU24(r, 6, 0xFFFFFF);
        putU24(r, 9, 0xFFFFFF);
    }
    putU16(r, 12, s.speedTenths);
    putU16(r, 14, s.engineRpm);
    putU16(r, 16, gField(s.gxMilli));
    putU16(r, 18, gField(s.gyMilli));
    putU16(r, 20, gField(s.gzMilli));
    r[29] = char(s.status);
    r[30] = char(s.sw);
    r[31] = char((s.gpsValid ? 0x04 : 0) | (s.gps2 ? 0x02 : 0) | (s.powerDown ? 0x01 : 0));
    r[32] = char(s.channel);
    putU32(r, 36, s.frameSize);
    putU32(r, 40, s.stamp);
    r[44] = char(s.id);
    r[45] = char(s.eventCode);
    r[46] = char(s.eventQualifier);
    putU32(r, 56, s.stamp2);
    putU32(r, 60, recordingTail);
    return r;
}

QByteArray encodeRecordingHeader(const RecordingHeader& h)
{
    if (h.infoRecords.size() > 255) throw std::invalid_argument("at most 255 info records");
    QByteArray b(80 + 8 * int(h.infoRecords.size()), '\0');
    b[0] = char(h.kind);
    putU32(b, 2, h.detectTime);
    b[30] = char(h.sw);
    putU32(b, 40, h.detectStamp);
    putU32(b, 44, h.recordingId);
    b[64] = char(quint8(h.infoRecords.size()));
    for (size_t i = 0; i < h.infoRecords.size(); ++i)
        for (int k = 0; k < 8; ++k)
            b[int(80 + 8 * i + k)] = char(h.infoRecords[i][k]);
    return b;
}

QByteArray buildUdatPayload(quint64 payloadFileOffset, const QByteArray& header,
                            const std::vector<QByteArray>& runs)
{
    const int n = 1 + int(runs.size());
    const int tableEnd = 8 + 8 * n;
    qsizetype total = tableEnd + header.size();
    for (const QByteArray& r : runs)
        total += r.size();
    QByteArray p(total, '\0');
    // Bytes 0..3 are not interpreted by any reader; they stay zero, which can
    // never be mistaken for the FILE_INFO record that marks a trimmed movie.
    putU32(p, 4, quint32(n));
    quint64 at = tableEnd;
    auto addEntry = [&](int i, const QByteArray& bytes) {
        quint64 fileOffset = payloadFileOffset + at;
        if (fileOffset > 0xFFFFFFFFull) throw std::runtime_error("udat range beyond 4 GiB");
        putU32(p, 8 + 8 * i, quint32(fileOffset));
        putU32(p, 12 + 8 * i, quint32(bytes.size()));
        p.replace(qsizetype(at), bytes.size(), bytes);
        at += quint64(bytes.size());
    };
    addEntry(0, header);
    for (size_t i = 0; i < runs.size(); ++i)
        addEntry(int(i) + 1, runs[i]);
    return p;
}

int boxHeaderLength(BoxSizeForm form)
{
    return form == BoxSizeForm::Size64 ? 16 : 8;
}

QByteArray buildBox(const char (&type)[5], const QByteArray& payload, BoxSizeForm form)
{
    const int head = boxHeaderLength(form);
    QByteArray b(head, '\0');
    const quint64 size = quint64(head) + quint64(payload.size());
    switch (form) {
    case BoxSizeForm::Size32:
        if (size > 0xFFFFFFFFull) throw std::runtime_error("box too large for a 32-bit size");
        putU32(b, 0, quint32(size));
        break;
    case BoxSizeForm::Size64:
        putU32(b, 0, 1);
        putU64(b, 8, size);
        break;
    case BoxSizeForm::ToEnd:
        putU32(b, 0, 0);
        break;
    }
    b.replace(4, 4, QByteArray(type, 4));
    b.append(payload);
    return b;
}

} // namespace cardgen
