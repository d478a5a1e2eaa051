#pragma once

#include <cstdint>
#include <span>

#include "file/le_bytes.h"

namespace chimdb {

// Stands in the record for a blob field (20 bytes) and points at the stored blob bytes.
struct BlobDescriptor {
    std::int32_t dataOffset = 0;
    std::int32_t dataSize = 0;
    std::int32_t allocatedSize = 0;
    // Not interpreted; kept unchanged when a blob is rewritten.
    std::int32_t reserved1 = 0;
    std::int32_t reserved2 = 0;

    // Bytes reserved for dataSize stored bytes: rounded down to 64, plus 64.
    static constexpr std::int32_t AllocationFor(std::int32_t dataSize) {
        return dataSize - dataSize % 64 + 64;
    }

    static BlobDescriptor Parse(std::span<const std::uint8_t> bytes) {
        return BlobDescriptor{le::GetI32(bytes, 0), le::GetI32(bytes, 4), le::GetI32(bytes, 8),
                              le::GetI32(bytes, 12), le::GetI32(bytes, 16)};
    }
    void Serialize(std::span<std::uint8_t> bytes) const {
        le::PutI32(bytes, 0, dataOffset);
        le::PutI32(bytes, 4, dataSize);
        le::PutI32(bytes, 8, allocatedSize);
        le::PutI32(bytes, 12, reserved1);
        le::PutI32(bytes, 16, reserved2);
    }
    // True when the stored bytes lie inside a file of the given size.
    bool FitsIn(std::int64_t fileSize) const {
        return dataSize >= 0 && dataOffset >= 0 &&
               static_cast<std::int64_t>(dataOffset) + dataSize <= fileSize;
    }
};

}  // namespace chimdb
