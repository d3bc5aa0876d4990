#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>

// The recorder's settings model. Each setting travels as one 8-byte record:
// group code, item code, up to five data bytes (0xFF where there is no
// data) and a check byte, the XOR of the seven bytes before it.
//
// The recorder writes its settings to SETINF.DAT; the application writes the
// settings it wants the recorder to take to GROUP.DAT (32768 bytes: the
// records, then 0xFF). Numbers are packed BCD, most significant digit first.
// Both files come from a card and are untrusted: the readers stop at the
// last whole record and drop any record whose check byte or code is wrong.
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
    static constexpr int MAX_DATA_BYTES = 5;
    static constexpr std::uint8_t NODATA = 255;
    static constexpr int GROUP_FILE_SIZE = 32768;
    // SETINF.DAT: the record count at byte 8, the records from byte 24.
    static constexpr int SETINF_COUNT_OFFSET = 8;
    static constexpr int SETINF_RECORDS_OFFSET = 24;
    static constexpr std::int32_t GTRG_CROSS_1 = 10, GTRG_CROSS_2 = 20, GTRG_CROSS_3 = 30, GTRG_CROSS_4 = 40,
                                  GTRG_CROSS_5 = 50;
    // The device type is read from files but never written: it has no DataType.
    static inline const QByteArray GRP_CD_DEVICETYPE = QByteArray::fromHex("0109");

    // Every item empty except the file information, 07 14.
    SettingInfo();

    // ---- records and files ----

    // Bytes 0 and 1 of code, then up to five data bytes, 0xFF fill, check byte.
    static QByteArray buildRecord(QByteArrayView code, QByteArrayView data);
    // The record of one item; empty for an empty item, except that the two
    // security items are always written (with five 0xFF data bytes).
    QByteArray makeRecord(DataType type) const;
    // Stores a record whose length, check byte and code are right into its
    // item (the item's width of data bytes, replacing what it held).
    bool parseRecord(QByteArrayView record);
    // The records of the file image: one per non-empty item (the security
    // items always) in DataType order, then the unknown records.
    QByteArray makeFileData() const;

    // Readers: empty the items (not the device type) and the unknown
    // records, then store what the file holds. A missing or unreadable file
    // leaves the items empty.
    void Load_SETINF(const QString& path);
    void Load(const QString& path);
    // The same over bytes already read.
    void loadSetinfData(QByteArrayView data);
    void loadGroupData(QByteArrayView data);
    // The 32768-byte GROUP.DAT image.
    QByteArray groupFileImage() const;
    // Writes the GROUP.DAT image atomically and flushed to the medium; false
    // when it could not be written (whatever was at path is then unchanged).
    bool Save(const QString& path) const;

    // Packed BCD of the last 2 x count decimal digits of value (0 or more).
    static QByteArray bcdBytes(qint64 value, int count);
    // The first count bytes as upper-case hex digit pairs ("2000").
    static QString hexText(QByteArrayView bytes, int count);

    // ---- items ----

    static QByteArray codeOf(DataType type);
    static int widthOf(DataType type);
    const QByteArray& item(DataType type) const { return _items[std::size_t(type)]; }
    void setItem(DataType type, const QByteArray& data) { _items[std::size_t(type)] = data; }
    const QByteArray& deviceTypeItem() const { return _deviceType; }
    const QList<QByteArray>& unknownData() const { return _unknownData; }
    void setUnknownData(const QList<QByteArray>& records) { _unknownData = records; }

    // Replaces the date and time with the five BCD bytes of year % 100,
    // month, day, hour and minute of value in local time; an invalid value
    // changes nothing.
    void setDateTime(const QDateTime& value);
    void setDateTimeNone();

    // Byte-value getters: the first data byte, or -1 when empty.
    std::int32_t getDeviceType() const;
    std::int32_t getBuzzAction() const;
    std::int32_t getBuzzOperation() const;
    std::int32_t getBuzzNoCard() const;
    std::int32_t getBuzzSurv() const;
    std::int32_t getSurvAccOffTime() const;
    std::int32_t getSurvAccnilnTime() const;
    // BCD getters: the item's BCD value, or -1 when empty or not decimal.
    std::int32_t getGuidanceVolume() const;
    std::int32_t getQualityMode() const;
    std::int32_t getRecSound() const;
    std::int32_t getGGdcLevel() const;
    std::int32_t getGTrgLevel() const;
    std::int32_t getOpeTime() const;
    std::int32_t getSurvGSensorX() const;
    std::int32_t getSurvGSensorY() const;
    std::int32_t getRecFileCnt() const;

    // One BCD byte (0 to 99).
    void setBuzzAction(int value);
    void setGuidanceVolume(int value);
    void setBuzzOperation(int value);
    void setBuzzNoCard(int value);
    void setBuzzSurv(int value);
    void setGGdcTime(int value);
    void setGTrgTime(int value);
    void setPTrgLevel(int value);
    void setPTrgTime(int value);
    void setQualityMode(int value);
    void setRecSound(int value);
    void setSurvAccOffTime(int value);
    void setSurvAccOnTime(int value);
    // Two BCD bytes (0 to 9999).
    void setGGdcLevel(int value);
    void setGTrgLevel(int value);
    void setOpeTime(int value);
    void setSurvGSensorX(int value);
    void setSurvGSensorY(int value);
    void setRecFileCnt(int value);

    // Cross level 1 to 5 (stored as 10 to 50), or -1.
    std::int32_t getGTrgCross() const;
    void setGTrgCross(int value);
    // A sign-or-mode byte (0 plus, 1 minus, 0x80 automatic) and the BCD
    // magnitude. Empty or unknown: isAuto -1, value -2.
    void getModAngle(std::int32_t& isAuto, std::int32_t& value) const;
    void setModAngle(bool isAuto, int value);
    // 0 off, 1 on (normal wake-up), 2 on (quick wake-up); else -1, -1, -1.
    void getSurvRec(std::int32_t& valueOn, std::int32_t& valueOff, std::int32_t& valueMode) const;
    void setSurvRec(bool valueOn, bool valueOff, int valueMode);
    // 0 off, 1 on; else -1, -1.
    void getAdvMode(std::int32_t& valueOn, std::int32_t& valueOff) const;
    void setAdvMode(bool valueOn, bool valueOff);
    // Five 00 bytes in each of the four Wi-Fi password items.
    void clearWifiPass();

    // Fills this model's empty items from info (never the file information,
    // the device type or the Wi-Fi passwords).
    void marge(const SettingInfo& info);

    // low < target < high; at a bound only when isPermission.
    static bool checkRange(double target, double low, double high, bool isPermission);
    static bool checkRange(qint64 target, qint64 low, qint64 high, bool isPermission);

private:
    void clearItems();
    std::int32_t getItemValue(DataType type) const;
    std::int32_t getItemByte(DataType type) const;
    void setItemValue(DataType type, int value);

    std::array<QByteArray, DATA_TYPE_COUNT> _items;
    QByteArray _deviceType;
    QList<QByteArray> _unknownData;
};
