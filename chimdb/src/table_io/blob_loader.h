#pragma once

#include <cstdint>
#include <vector>

namespace chimdb {

// Reads a stored blob for a blob stream that loads on demand; implemented by the database's
// file I/O.
class BlobLoader {
  public:
    virtual ~BlobLoader() = default;

    // Reads the blob descriptor at descriptorPosition, then the stored bytes it points to, and
    // decodes them (decipher, then decompress, as the flags say) into content.
    virtual void LoadBlob(std::int64_t descriptorPosition, bool encrypted, bool compressed,
                          std::vector<std::uint8_t>& content) = 0;
};

}  // namespace chimdb
