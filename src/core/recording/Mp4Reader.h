#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <optional>

class QFile;
class QIODevice;

// Finds the top-level boxes of a recorder movie and reads the index that
// its `udat` box keeps of byte ranges of the same file. Only box headers,
// the udat payload and the ranges asked for are read: a movie may be
// gigabytes long.
class Mp4Reader {
public:
    enum class BoxType { Ftyp, Moov, Udat, Mdat };

    struct MP4Box {
        qint64 _offset = 0;      // file offset of the box's first byte
        QString _boxType;        // four ASCII characters, or empty
        qint64 _boxLen = 0;      // the whole box, header included
        qint64 _headerLen = 8;   // 16 when a 64-bit size follows the type
        qint64 payloadOffset() const { return _offset + _headerLen; }
        qint64 payloadLength() const { return _boxLen - _headerLen; }
    };

    // One byte range of the file, read on demand.
    class EntryData {
    public:
        EntryData(QIODevice* device, qint64 fileSize, qint64 offset, qint64 byteCount)
            : _device(device), _fileSize(fileSize), _offset(offset), _byteCount(byteCount)
        {
        }
        // The bytes of the range; empty when it does not lie inside the
        // file, is larger than any range a recorder writes, or cannot be read.
        QByteArray read() const;
        qint64 offset() const { return _offset; }
        qint64 byteCount() const { return _byteCount; }

    private:
        QIODevice* _device;
        qint64 _fileSize;
        qint64 _offset;
        qint64 _byteCount;
    };

    static inline const QString BOXTYPE_FTYP = QStringLiteral("ftyp");
    static inline const QString BOXTYPE_MOOV = QStringLiteral("moov");
    static inline const QString BOXTYPE_UDAT = QStringLiteral("udat");
    static inline const QString BOXTYPE_MDAT = QStringLiteral("mdat");

    // The udat payload of a recorder movie is a few kilobytes and the
    // archive of a trimmed movie at most some megabytes; larger ones are
    // not ours and are not read.
    static constexpr qint64 MAX_UDAT_PAYLOAD = 64 * 1024 * 1024;
    // One run of frame records is one second of the movie; a header is
    // at most 80 + 8 * 255 bytes.
    static constexpr qint64 MAX_ENTRY_LENGTH = 16 * 1024 * 1024;
    // A recorder movie has four top-level boxes; a scan that meets this
    // many is looking at something else.
    static constexpr int MAX_TOP_LEVEL_BOXES = 100000;

    // Opens the file; an unreadable file stores no box.
    explicit Mp4Reader(const QString& path);
    // Reads an already open device (not owned; it must outlive the reader).
    explicit Mp4Reader(QIODevice& device);
    ~Mp4Reader();
    Mp4Reader(const Mp4Reader&) = delete;
    Mp4Reader& operator=(const Mp4Reader&) = delete;

    // The stored boxes, at most one per type (a later one replaces an earlier).
    const std::map<BoxType, MP4Box>& boxData() const { return _boxData; }
    // The payload of a stored box; empty when there is none or it is too large.
    QByteArray payload(BoxType type) const;
    // The udat index: file offset to length (a repeated offset keeps the later length).
    std::map<qint64, qint64> readUdatTable() const;
    EntryData entry(qint64 offset, qint64 byteCount) const { return EntryData(_device, _fileSize, offset, byteCount); }
    qint64 fileSize() const { return _fileSize; }

private:
    void scanBoxes();
    std::optional<MP4Box> readHeader(qint64 offset) const;

    std::unique_ptr<QFile> _file;
    QIODevice* _device = nullptr;
    qint64 _fileSize = 0;
    std::map<BoxType, MP4Box> _boxData;
    mutable std::optional<QByteArray> _udatPayload;
};
