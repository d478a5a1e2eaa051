#pragma once

#include <cstdint>

// Fixed positions and sizes of the database file, and the messages about its bytes.
namespace chimdb::format {

inline constexpr std::int32_t kFileHeaderOffset = 0;
inline constexpr std::int32_t kFileHeaderSize = 12;
inline constexpr std::int32_t kProcessHeaderOffset = 2317;
inline constexpr std::int32_t kProcessHeaderSize = 472;
inline constexpr std::int32_t kTableDirectoryOffset = 2789;
inline constexpr std::int32_t kTableDirectorySize = 1032;
// First byte after the prologue; every table header and table lies at or after it.
inline constexpr std::int32_t kPrologueEnd = 3821;

inline constexpr std::int32_t kNameFieldWidth = 33;
// Longest name a writer stores: one byte stays for the terminating NUL.
inline constexpr std::int32_t kMaxNameBytes = kNameFieldWidth - 1;

inline constexpr std::int32_t kMaxTables = 256;
inline constexpr std::int32_t kTableHeaderSize = 4821;
inline constexpr std::int32_t kMaxFields = 96;
inline constexpr std::int32_t kFieldDefItemSize = 43;
inline constexpr std::int32_t kMaxIndexes = 8;
inline constexpr std::int32_t kIndexDefItemSize = 78;
inline constexpr std::int32_t kMaxKeyFields = 8;
// Most characters a string field may declare: the longest string field of the dataset
// framework. A larger size in a file is damage (one flipped bit turns 8 into 268,435,456),
// refused before a record buffer is sized by it.
inline constexpr std::int32_t kMaxStringFieldSize = 8192;

inline constexpr std::int32_t kItemsPerBlock = 1024;
inline constexpr std::int32_t kRecordTabItemSize = 5;
inline constexpr std::int32_t kIndexTabItemSize = 8;
inline constexpr std::int32_t kRecordTabBlockSize =
    4 + kItemsPerBlock * kRecordTabItemSize;                                                // 5124
inline constexpr std::int32_t kIndexTabBlockSize = 4 + kItemsPerBlock * kIndexTabItemSize;  // 8196
inline constexpr std::int32_t kBlobDescriptorBytes = 20;

inline constexpr char kMagic[] = "ChimDB";
inline constexpr char kCurrentVersion[] = "2.0";
inline constexpr char kRefusedVersion[] = "1.00";

inline constexpr char kMsgCannotOpen[] = "Cannot open file %s";
inline constexpr char kMsgInvalidFile[] = "Database file '%s' is a invalid ChimDB";
inline constexpr char kMsgVersionIncompatible[] = "Version 1.00 is not compatible";
inline constexpr char kMsgVersionTooHigh[] = "Version of database file is too High";
inline constexpr char kMsgGeneralError[] = "General error";
inline constexpr char kMsgTableNotFound[] = "Table '%s' not found";
// The store's own message for bytes that contradict the format.
inline constexpr char kMsgCorrupt[] = "Database file '%s' is corrupt";
inline constexpr char kMsgAlreadyExists[] = "Database file '%s' already exists";

}  // namespace chimdb::format
