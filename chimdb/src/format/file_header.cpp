#include "format/file_header.h"

#include "chimdb/database_error.h"
#include "file/le_bytes.h"
#include "format/file_format.h"

namespace chimdb {

namespace {
constexpr std::size_t kMagicWidth = 7;
constexpr std::size_t kVersionOffset = 7;
constexpr std::size_t kVersionWidth = 5;
}  // namespace

FileHeader FileHeader::Current() {
    return FileHeader{format::kMagic, format::kCurrentVersion};
}

FileHeader FileHeader::Parse(std::span<const std::uint8_t> bytes) {
    return FileHeader{le::GetText(bytes, 0, kMagicWidth),
                      le::GetText(bytes, kVersionOffset, kVersionWidth)};
}

void FileHeader::Serialize(std::span<std::uint8_t> bytes) const {
    le::PutText(bytes, 0, kMagicWidth, magic);
    le::PutText(bytes, kVersionOffset, kVersionWidth, version);
}

void FileHeader::Check(std::string_view fileName) const {
    if (magic != format::kMagic)
        RaiseError(format::kMsgInvalidFile, fileName);
    if (version == format::kRefusedVersion)
        RaiseError(format::kMsgVersionIncompatible);
    if (CompareVersionText(version, format::kCurrentVersion) > 0)
        RaiseError(format::kMsgVersionTooHigh);
}

int CompareVersionText(std::string_view a, std::string_view b) {
    // std::char_traits<char> compares as unsigned char, which is the byte order.
    int result = a.compare(b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

}  // namespace chimdb
