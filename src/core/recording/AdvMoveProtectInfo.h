#pragma once

#include "core/recording/IndexRecordWorkState.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class ChapterData;

// One entry of ADV_PRCT.DAT: an adventure recording, protected from its
// start to its end moment. Decoded fields are filled by the constructor and
// only read afterwards; the catalogue's working state is behind accessors
// that lock.
class AdvMoveProtectInfo : public IndexRecordWorkState {
public:
    static constexpr qsizetype RECORD_LENGTH = 512;
    static constexpr qsizetype HEADER_LENGTH = 512;
    // Bytes the parser needs: the shared fields, the start byte and the end time.
    static constexpr qsizetype PARSED_LENGTH = 85;
    static constexpr std::uint8_t KIND_ADVENTURE = 0x25;

    // Never fails: an entry it cannot use has _infoEnable false.
    explicit AdvMoveProtectInfo(QByteArrayView data);

    // The valid entries of a whole ADV_PRCT.DAT image in file order; an
    // entry naming the same file as one already taken is dropped. Every
    // whole slot after the header is read.
    static std::vector<std::shared_ptr<AdvMoveProtectInfo>> readAll(QByteArrayView file);

    // The chapter number of the entry's movie: the last four characters of
    // the name without folder and extension, or 0.
    int chapterNo() const;

    bool _infoEnable = false;
    bool _readStopFlag = false;
    std::uint8_t _detectType = 0;
    QDateTime _datetime;
    std::uint16_t _posWest = 0;
    std::uint16_t _posSouth = 0;
    std::int32_t _longitude = 0;
    std::int32_t _latitude = 0;
    double _speed = 0.0;
    double _gX = 0.0;
    double _gY = 0.0;
    double _gZ = 0.0;
    std::int32_t _sw = 0;
    std::int32_t _status = 0;
    std::int32_t _pictureChannel = 0;
    std::uint32_t _frameSize = 0;
    std::uint32_t _timeStamp = 0;
    std::uint8_t _id = 0;
    std::uint32_t _timeStamp2 = 0;
    QString _fileName;
    QDateTime _endDatetime;
    std::uint8_t advModeStartFlg = 0;

private:
    bool parse(QByteArrayView d);
};
