#include "core/foundation/TextEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

std::optional<QString> TextEncoding::decodeShiftJIS(QByteArrayView bytes)
{
    // A decoder keeps state, so each call makes its own (cheap with ICU).
    QStringDecoder decoder("windows-31j", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

std::optional<QByteArray> TextEncoding::encodeShiftJIS(const QString& text)
{
    QStringEncoder encoder("windows-31j", QStringEncoder::Flag::Stateless);
    if (!encoder.isValid()) return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) return std::nullopt;
    return bytes;
}
