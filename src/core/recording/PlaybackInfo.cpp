#include "core/recording/PlaybackInfo.h"

#include "core/foundation/AppError.h"
#include "core/foundation/IniFile.h"
#include "core/recording/VideoFrame.h"

namespace {

const QString& unknownText()
{
    static const QString text = QStringLiteral("不明");
    return text;
}

const QString& noTitle()
{
    static const QString text = QStringLiteral("なし");
    return text;
}

} // namespace

const QString& PlaybackInfo::DATANOTHING_ZERO_8()
{
    static const QString text = QStringLiteral("00000000");
    return text;
}

PlaybackInfo::PlaybackInfo()
    : userCarCode(unknownText())
    , userDriverCode(unknownText())
    , _m_NumberPlate(unknownText())
    , _m_DriverName(unknownText())
    , organizeCode(DATANOTHING_ZERO_8())
    , _m_OrganizeName(unknownText())
    , title(noTitle())
    , d2US(QStringLiteral("03"))
    , eventFPS(QStringLiteral("00"))
    , movieFPS(QStringLiteral("99"))
{
    // Midnight of 2000-01-01 in the user's zone: the same instant that
    // frames use to stand for a time that is not valid.
    recordTime = VideoFrame::currentInvalidTime();
    endTime = recordTime;
    detectTime = recordTime;
}

void PlaybackInfo::load(const QString& path)
{
    IniFile ini;
    ini.load(path);
    const QString section = QStringLiteral("INFO");
    auto lookUp = [&](const char* key, const QString& fallback) {
        try {
            return ini.get(section, QString::fromLatin1(key));
        } catch (const AppError&) {
            return fallback;
        }
    };
    userCarCode = lookUp("USER_CAR_CODE", QString());
    userDriverCode = lookUp("USER_DRIVER_CODE", QString());
    title = lookUp("TITLE", noTitle());
}
