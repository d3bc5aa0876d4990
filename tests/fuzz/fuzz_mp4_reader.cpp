// The box scan and the udat index of a movie, on arbitrary bytes.
#include "core/recording/Mp4Reader.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const Mp4Reader reader(buffer);
    for (const auto& [type, box] : reader.boxData()) (void)reader.payload(type);
    int read = 0;
    for (const auto& [offset, length] : reader.readUdatTable()) {
        (void)reader.entry(offset, length).read();
        if (++read == 256) break;
    }
    return 0;
}
