// The three index files of a card, and single entries, on arbitrary bytes.
#include "core/recording/AdvMoveProtectInfo.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/VrecMoveManagerInfo.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact copy, so that a read one byte past the end is caught.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    (void)VrecMoveManagerInfo::readAll(bytes);
    for (auto d : {MoveProtectInfo::DetectStatus::NON, MoveProtectInfo::DetectStatus::G,
                   MoveProtectInfo::DetectStatus::SURV, MoveProtectInfo::DetectStatus::SW})
        (void)MoveProtectInfo::readRegion(bytes, d);
    for (const auto& r : AdvMoveProtectInfo::readAll(bytes))
        (void)r->chapterNo();

    // The whole input as one entry, whatever its length.
    (void)VrecMoveManagerInfo(bytes);
    (void)MoveProtectInfo(bytes, MoveProtectInfo::DetectStatus::SURV);
    (void)AdvMoveProtectInfo(bytes).chapterNo();
    return 0;
}
