#pragma once

#include <QString>
#include <optional>

// The recorder build a card was written by.
enum class TargetType : int { Common = 0, Tarko12 = 1, None = 153 };

inline std::optional<TargetType> targetTypeFromRaw(int raw)
{
    switch (raw) {
    case 0: return TargetType::Common;
    case 1: return TargetType::Tarko12;
    case 153: return TargetType::None;
    default: return std::nullopt;
    }
}

// The recorder's version text (first line of ver.txt) and the target its
// first three characters name. Immutable once made.
class VersionInfo {
public:
    // The default: Tarko12, "104".
    VersionInfo();
    VersionInfo(TargetType target, QString versionString);

    static const QString& CommonTargetCode();  // "103"
    static const QString& Tarko12TargetCode(); // "104"

    // The version of the folder's ver.txt; the default when there is none
    // or it is unusable, unless the folder holds a directory named
    // SETINF.DAT. An empty folder path gives the default. Throws AppError.
    static VersionInfo check(const std::optional<QString>& dir);
    // Throws AppError when the text is too short or names no known target.
    static VersionInfo checkReader(const QString& text);
    static TargetType getTargetType(const QString& targetCode);
    static QString getTargetCode(TargetType target);
    static QString getTargetName(TargetType target);

    double binaryToGValue(int bits) const { return bits == 0 ? 0.0 : bits / 1000.0; }

    TargetType target() const { return _target; }
    const QString& versionString() const { return _versionString; }

private:
    TargetType _target;
    QString _versionString;
};
