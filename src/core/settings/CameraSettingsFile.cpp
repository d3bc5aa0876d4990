#include "core/settings/CameraSettingsFile.h"

#include "core/foundation/CommonConst.h"
#include "core/foundation/DurableFile.h"
#include "core/foundation/FileUtil.h"

#include <QFileInfo>

namespace CameraSettingsFile {

namespace {
std::function<void(const QString&)>& beforeVerify()
{
    static std::function<void(const QString&)> hook;
    return hook;
}
} // namespace

void setBeforeVerifyHook(std::function<void(const QString&)> hook)
{
    beforeVerify() = std::move(hook);
}

std::optional<SettingInfo> readCardSettings(const QString& cardFolder)
{
    const QString path = FileUtil::combinePath(cardFolder, CommonConst::FILE_NAME_SETTING_READ);
    if (!QFileInfo(path).isFile()) return std::nullopt;
    SettingInfo loaded;
    loaded.Load_SETINF(path);
    const SettingInfo supported;
    if (loaded.item(SettingInfo::DataType::FileInfo) != supported.item(SettingInfo::DataType::FileInfo))
        return std::nullopt;
    return loaded;
}

SaveResult saveGroupFile(const SettingInfo& settings, const QString& cardFolder)
{
    const QString target = FileUtil::combinePath(cardFolder, CommonConst::FILE_NAME_SETTING_WRITE);
    const bool earlier = QFileInfo::exists(target);
    SaveResult result;
    result.earlierFileKept = earlier;

    const QByteArray image = settings.groupFileImage();
    const auto temporary = DurableFile::writeTemporaryBeside(target, image);
    if (!temporary) return result;
    if (const auto& hook = beforeVerify()) hook(*temporary);
    const auto readBack = DurableFile::readBack(*temporary, SettingInfo::GROUP_FILE_SIZE);
    if (!readBack || *readBack != image) {
        DurableFile::discard(*temporary);
        result.outcome = SaveOutcome::NotVerified;
        return result;
    }
    if (!DurableFile::commit(*temporary, target)) {
        DurableFile::discard(*temporary);
        return result;
    }
    result.outcome = SaveOutcome::Saved;
    result.earlierFileKept = false;
    return result;
}

} // namespace CameraSettingsFile
