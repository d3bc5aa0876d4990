#include "core/recording/Mp4Reader.h"

#include "core/foundation/CardReads.h"
#include "core/foundation/DataUtility.h"

#include <QFile>
#include <QIODevice>

namespace {

// Reads exactly length bytes at offset, or gives an empty array.
QByteArray readAt(QIODevice* device, qint64 offset, qint64 length)
{
    if (device == nullptr || length <= 0 || !CardReads::beforeRead() || !device->seek(offset)) return {};
    QByteArray bytes = device->read(length);
    if (bytes.size() != length) return {};
    return bytes;
}

std::optional<Mp4Reader::BoxType> boxTypeOf(const QString& type)
{
    if (type == Mp4Reader::BOXTYPE_FTYP) return Mp4Reader::BoxType::Ftyp;
    if (type == Mp4Reader::BOXTYPE_MOOV) return Mp4Reader::BoxType::Moov;
    if (type == Mp4Reader::BOXTYPE_UDAT) return Mp4Reader::BoxType::Udat;
    if (type == Mp4Reader::BOXTYPE_MDAT) return Mp4Reader::BoxType::Mdat;
    return std::nullopt;
}

} // namespace

QByteArray Mp4Reader::EntryData::read() const
{
    if (_offset < 0 || _byteCount <= 0 || _byteCount > MAX_ENTRY_LENGTH) return {};
    if (_offset > _fileSize || _byteCount > _fileSize - _offset) return {};
    return readAt(_device, _offset, _byteCount);
}

Mp4Reader::Mp4Reader(const QString& path)
    : _file(std::make_unique<QFile>(path))
{
    if (_file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        _device = _file.get();
        _fileSize = _file->size();
        scanBoxes();
    }
}

Mp4Reader::Mp4Reader(QIODevice& device)
    : _device(&device)
{
    if (device.isOpen() && device.isReadable() && !device.isSequential()) {
        _fileSize = device.size();
        scanBoxes();
    } else {
        _device = nullptr;
    }
}

Mp4Reader::~Mp4Reader() = default;

std::optional<Mp4Reader::MP4Box> Mp4Reader::readHeader(qint64 offset) const
{
    if (offset < 0 || _fileSize - offset < 8) return std::nullopt;
    const QByteArray head = readAt(_device, offset, 8);
    if (head.size() != 8) return std::nullopt;
    MP4Box box;
    box._offset = offset;
    const quint32 size32 = DataUtility::toUInt32(head, 0);
    bool ascii = true;
    for (int i = 4; i < 8; ++i) ascii = ascii && static_cast<quint8>(head[i]) < 0x80;
    if (ascii) box._boxType = QString::fromLatin1(head.constData() + 4, 4);
    if (size32 == 1) {
        // A 64-bit size follows the type.
        if (_fileSize - offset < 16) return std::nullopt;
        const QByteArray large = readAt(_device, offset + 8, 8);
        if (large.size() != 8) return std::nullopt;
        const quint64 size64 = (quint64(DataUtility::toUInt32(large, 0)) << 32) | DataUtility::toUInt32(large, 4);
        if (size64 > quint64(std::numeric_limits<qint64>::max())) return std::nullopt;
        box._boxLen = qint64(size64);
        box._headerLen = 16;
    } else if (size32 == 0) {
        box._boxLen = _fileSize - offset; // the box runs to the end of the file
    } else {
        box._boxLen = size32;
    }
    return box;
}

void Mp4Reader::scanBoxes()
{
    qint64 offset = 0;
    for (int count = 0; count < MAX_TOP_LEVEL_BOXES && offset < _fileSize; ++count) {
        const std::optional<MP4Box> box = readHeader(offset);
        if (!box) return;
        if (box->_boxLen < box->_headerLen || box->_boxLen > _fileSize - offset) return;
        if (const auto type = boxTypeOf(box->_boxType)) _boxData[*type] = *box;
        if (_boxData.count(BoxType::Udat) != 0 && _boxData.count(BoxType::Mdat) != 0) return;
        offset += box->_boxLen;
    }
}

QByteArray Mp4Reader::payload(BoxType type) const
{
    const bool isUdat = type == BoxType::Udat;
    if (isUdat && _udatPayload) return *_udatPayload;
    QByteArray bytes;
    const auto it = _boxData.find(type);
    if (it != _boxData.end() && it->second.payloadLength() <= MAX_UDAT_PAYLOAD)
        bytes = readAt(_device, it->second.payloadOffset(), it->second.payloadLength());
    if (isUdat) _udatPayload = bytes;
    return bytes;
}

std::map<qint64, qint64> Mp4Reader::readUdatTable() const
{
    std::map<qint64, qint64> table;
    const QByteArray p = payload(BoxType::Udat);
    if (p.size() < 16) return table; // the count and at least one whole entry
    const quint32 n = DataUtility::toUInt32(p, 4);
    if (n == 0) return table;
    for (qsizetype at = 8; at + 8 <= p.size() && table.size() < n; at += 8)
        table[DataUtility::toUInt32(p, at)] = DataUtility::toUInt32(p, at + 4);
    return table;
}
