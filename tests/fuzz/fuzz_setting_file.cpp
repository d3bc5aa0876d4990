// SETINF.DAT and GROUP.DAT: the recorder's settings files, read from a card.
#include "core/settings/CameraSettingValues.h"
#include "core/settings/SettingInfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int kind = 0; kind < 2; ++kind) {
        SettingInfo s;
        if (kind == 0)
            s.loadSetinfData(bytes);
        else
            s.loadGroupData(bytes);
        // What was read makes whole records that read back to themselves,
        // and fills the dialog's values without leaving their ranges.
        const QByteArray records = s.makeFileData();
        SettingInfo again;
        again.loadGroupData(records);
        if (records.size() % SettingInfo::ITEM_BYTE_COUNT != 0 || again.makeFileData() != records) __builtin_trap();
        CameraSettingValues v;
        v.load(s);
        if (v.dtlSns < CameraSettingValues::sensitivityMin() || v.dtlSns > CameraSettingValues::sensitivityMax() ||
            v.fileCount > CameraSettingValues::FILE_COUNT_MAX || v.quality < 0 || v.quality > 2)
            __builtin_trap();
        (void)v.toSettingInfo().makeFileData();
    }
    return 0;
}
