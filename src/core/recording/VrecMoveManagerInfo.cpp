#include "core/recording/VrecMoveManagerInfo.h"

#include "core/foundation/DataUtility.h"
#include "core/recording/IndexRecordFields.h"

VrecMoveManagerInfo::VrecMoveManagerInfo(QByteArrayView data)
{
    _infoEnable = parse(data);
}

bool VrecMoveManagerInfo::parse(QByteArrayView d)
{
    if (d.isEmpty()) return false;
    const auto kind = static_cast<std::uint8_t>(d[0]);
    if (kind == KIND_END) {
        _readStopFlag = true;
        return false;
    }
    if (kind != KIND_NORMAL) return false;
    // Every field below lies inside the 80 bytes; a cut-off entry is unusable.
    if (d.size() < RECORD_LENGTH) return false;

    decodeEntryFields(d, SpeedTenths::Dropped);
    return IndexRecordFields::isUsableMovieName(_fileName);
}

std::vector<std::shared_ptr<const VrecMoveManagerInfo>> VrecMoveManagerInfo::readAll(QByteArrayView file)
{
    std::vector<std::shared_ptr<const VrecMoveManagerInfo>> out;
    if (file.size() < HEADER_LENGTH) return out;
    const auto listMode = static_cast<std::uint8_t>(file[0]);
    if (listMode > 1) return out;
    for (qsizetype offset = HEADER_LENGTH; DataUtility::fits(file, offset, RECORD_LENGTH);
         offset += RECORD_LENGTH) {
        auto record = std::make_shared<const VrecMoveManagerInfo>(file.sliced(offset, RECORD_LENGTH));
        if (record->_infoEnable) {
            out.push_back(std::move(record));
        } else if (listMode == 1 && record->_readStopFlag) {
            break;
        }
    }
    return out;
}
