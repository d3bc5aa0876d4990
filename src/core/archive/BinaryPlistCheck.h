#pragma once

#include <QByteArrayView>
#include <cstdint>

// A structural check of a binary property list ("bplist00") made before the
// bytes reach the property-list parser. It walks the trailer, the offset
// table and every object reachable from the top object, and refuses lists
// whose parse would read outside the bytes, loop on a reference cycle, nest
// too deep, or grow (through shared references) to more nodes than allowed.
namespace BinaryPlistCheck {

struct Limits {
    std::uint64_t maxObjects = 4'000'000;
    // Nodes of the parsed tree, counting a shared object once per reference.
    std::uint64_t maxNodes = 4'000'000;
    int maxDepth = 16;
};

bool isSound(QByteArrayView data, const Limits& limits);

} // namespace BinaryPlistCheck
