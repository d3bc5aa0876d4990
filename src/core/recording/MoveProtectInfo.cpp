#include "core/recording/MoveProtectInfo.h"

#include "core/foundation/DataUtility.h"
#include "core/recording/IndexRecordFields.h"

namespace {

bool isProtectedKind(std::uint8_t kind)
{
    return kind == 0x10 || kind == 0x12 || kind == 0x17 || kind == 0x20;
}

} // namespace

MoveProtectInfo::Region MoveProtectInfo::region(DetectStatus detect)
{
    switch (detect) {
    case DetectStatus::G:
        return {0x200, 0x1600};
    case DetectStatus::SURV:
        return {0x1600, 0x2A00};
    case DetectStatus::SW:
        return {0x2A00, 0x3400};
    case DetectStatus::NON:
        break;
    }
    return {0x200, 0x0};
}

MoveProtectInfo::MoveProtectInfo(QByteArrayView data, DetectStatus detect) : _detect(detect)
{
    _isInfoEnable = parse(data);
}

bool MoveProtectInfo::parse(QByteArrayView d)
{
    if (d.isEmpty()) return false;
    const auto kind = static_cast<std::uint8_t>(d[0]);
    if (kind == 0xFF) _isReadStopFlag = true;
    if (!isProtectedKind(kind)) return false;
    if (d.size() < PARSED_LENGTH) return false;

    decodeProtectedFields(d);
    _protectType = static_cast<std::uint8_t>(d[80]);
    _survRecValidData = static_cast<std::uint8_t>(d[81]);

    bool valid = IndexRecordFields::isUsableMovieName(_fileName);
    // A surveillance slot can name a file whose recording never completed.
    if (_detect == DetectStatus::SURV) valid = valid && _survRecValidData != 0;
    return valid;
}

std::vector<std::shared_ptr<MoveProtectInfo>> MoveProtectInfo::readRegion(QByteArrayView file,
                                                                          DetectStatus detect)
{
    std::vector<std::shared_ptr<MoveProtectInfo>> out;
    if (file.size() < HEADER_LENGTH) return out;
    const auto listMode = static_cast<std::uint8_t>(file[0]);
    if (listMode > 1) return out;
    const Region r = region(detect);
    for (qsizetype offset = r.start;
         offset + RECORD_LENGTH <= r.end && DataUtility::fits(file, offset, RECORD_LENGTH);
         offset += RECORD_LENGTH) {
        auto record = std::make_shared<MoveProtectInfo>(file.sliced(offset, RECORD_LENGTH), detect);
        if (record->_isInfoEnable) {
            out.push_back(std::move(record));
        } else if (listMode == 1 && record->_isReadStopFlag) {
            break;
        }
    }
    return out;
}
