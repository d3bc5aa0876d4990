#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstdint>

// The recorder's settings model. Each setting travels as one 8-byte record:
// group code, item code, up to five data bytes (0xFF where there is no
// data) and a check byte, the XOR of the seven bytes before it.
class SettingInfo {
public:
    // The items a settings file carries, in the order they are written.
    enum class DataType {
        FileInfo, DateTime, Security1, Security2, WiFiPass1, WiFiPass2, WiFiPass3, WiFiPass4,
        ResetWifiPass, ResetAllSetting, BuzzAction, GuidanceVolume, BuzzOperation, BuzzNoCard, BuzzSurv,
        GGdcLelvel, GGdcTime, GTrgLevel, GTrgTime, PTrgLevel, PTrgTime, GtrgCross, ModAngle, QualityMode,
        RecSound, SurvRec, OpeTime, SurvGSensorX, SurvGSensorY, SurvAccOffTime, SurvAccOnTime, AdvMode,
        RecFileCnt,
    };
    static constexpr int DATA_TYPE_COUNT = 33;
    static constexpr int ITEM_BYTE_COUNT = 8;
    static constexpr std::uint8_t NODATA = 255;

    // Every item empty except the file information, 07 14.
    SettingInfo();

    // Bytes 0 and 1 of code, then up to five data bytes, 0xFF fill, check byte.
    static QByteArray buildRecord(QByteArrayView code, QByteArrayView data);
    // The record of one item; empty for an empty item, except that the two
    // security items are always written (with five 0xFF data bytes).
    QByteArray makeRecord(DataType type) const;

    static QByteArray codeOf(DataType type);
    static int widthOf(DataType type);
    const QByteArray& item(DataType type) const { return _items[std::size_t(type)]; }
    void setItem(DataType type, const QByteArray& data) { _items[std::size_t(type)] = data; }

private:
    std::array<QByteArray, DATA_TYPE_COUNT> _items;
};
