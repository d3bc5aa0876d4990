#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace TextEncoding {
// Decodes Shift-JIS text as the recorder writes it: the Windows variant
// (CP932), so NEC and IBM extension characters decode. Bytes that are not
// valid CP932 fail the whole text.
std::optional<QString> decodeShiftJIS(QByteArrayView bytes);
// Encodes text as CP932 (for the tools that write recorder files);
// nothing when a character cannot be encoded.
std::optional<QByteArray> encodeShiftJIS(const QString& text);
} // namespace TextEncoding
