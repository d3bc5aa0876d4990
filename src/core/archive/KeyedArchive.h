#pragma once

#include "core/archive/ArchiveValue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <cstdint>
#include <optional>

// Keyed archives: binary property lists in the platform's keyed-archiver
// layout ("$archiver", "$version", "$top", and "$objects" beginning with
// "$null"; objects referenced by UID and described by class dictionaries
// with "$classname" and "$classes"). Dates are NSDate objects with "NS.time",
// arrays NSArray objects with "NS.objects", dictionaries NSDictionary objects
// with "NS.keys" and "NS.objects"; strings and number objects are plain
// property-list values.
namespace KeyedArchive {

inline const QString CLASS_DATE = QStringLiteral("NSDate");
inline const QString CLASS_ARRAY = QStringLiteral("NSArray");
inline const QString CLASS_MUTABLE_ARRAY = QStringLiteral("NSMutableArray");
inline const QString CLASS_DICTIONARY = QStringLiteral("NSDictionary");
inline const QString CLASS_MUTABLE_DICTIONARY = QStringLiteral("NSMutableDictionary");

// Archives root as the archive's root object.
QByteArray write(const ArchiveValue& root);

struct ReadOptions {
    // The classes a decoded object may have, including the containers and
    // dates (CLASS_DATE, CLASS_DICTIONARY, ...). Anything else is refused.
    QSet<QString> allowedClasses;
    qsizetype maxBytes = 64 * 1024 * 1024;
    // Entries of "$objects", and objects of the property list underneath.
    std::uint64_t maxObjects = 4'000'000;
    // Decoded values, a value shared by several references counting once
    // per reference (so a reader of the result walks a bounded tree).
    std::uint64_t maxNodes = 4'000'000;
    // Nesting of decoded values (objects, arrays, dictionaries).
    int maxDepth = 32;
};

// The root object of an archive, or none when the bytes are not a sound
// keyed archive: a damaged property list, a missing or mistyped key of the
// layout, a UID out of range, a reference cycle, a class outside the allowed
// set, or any limit exceeded.
std::optional<ArchiveValue> read(QByteArrayView data, const ReadOptions& options);

} // namespace KeyedArchive
