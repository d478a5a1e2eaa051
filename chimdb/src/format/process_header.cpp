#include "format/process_header.h"

#include <algorithm>

#include "chimdb/database_error.h"
#include "file/le_bytes.h"

namespace chimdb {

namespace {
constexpr std::size_t kCompressEnabled = 0;
constexpr std::size_t kCompressAlgoName = 2;
constexpr std::size_t kEncryptEnabled = 35;
constexpr std::size_t kEncryptMode = 36;
constexpr std::size_t kEncryptAlgoName = 37;
constexpr std::size_t kVerifyWrites = 70;
constexpr std::size_t kPasswordHash = 327;
constexpr std::size_t kPasswordHashWidth = 129;
constexpr std::uint8_t kHighestMode = 4;
}  // namespace

ProcessHeader ProcessHeader::Parse(std::span<const std::uint8_t> bytes, std::string_view fileName) {
    ProcessHeader header;
    std::copy_n(bytes.begin(), header.raw.size(), header.raw.begin());
    header.CompressEnabled = le::GetU8(bytes, kCompressEnabled) != 0;
    header.CompressAlgoName = le::GetText(bytes, kCompressAlgoName, format::kNameFieldWidth);
    header.EncryptEnabled = le::GetU8(bytes, kEncryptEnabled) != 0;
    header.EncryptMode = le::GetU8(bytes, kEncryptMode);
    header.EncryptAlgoName = le::GetText(bytes, kEncryptAlgoName, format::kNameFieldWidth);
    header.VerifyWrites = le::GetU8(bytes, kVerifyWrites) != 0;
    header.PasswordHash = le::GetText(bytes, kPasswordHash, kPasswordHashWidth);
    if (header.EncryptEnabled && header.EncryptMode > kHighestMode)
        RaiseError(format::kMsgCorrupt, fileName);
    return header;
}

void ProcessHeader::Serialize(std::span<std::uint8_t> bytes) const {
    std::copy(raw.begin(), raw.end(), bytes.begin());
    le::PutU8(bytes, kCompressEnabled, CompressEnabled ? 1 : 0);
    le::PutText(bytes, kCompressAlgoName, format::kNameFieldWidth, CompressAlgoName);
    le::PutU8(bytes, kEncryptEnabled, EncryptEnabled ? 1 : 0);
    le::PutU8(bytes, kEncryptMode, EncryptMode);
    le::PutText(bytes, kEncryptAlgoName, format::kNameFieldWidth, EncryptAlgoName);
    le::PutU8(bytes, kVerifyWrites, VerifyWrites ? 1 : 0);
    le::PutText(bytes, kPasswordHash, kPasswordHashWidth, PasswordHash);
}

}  // namespace chimdb
