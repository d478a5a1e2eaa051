#include "chimdb/table_addition.h"

#include <chrono>
#include <limits>
#include <thread>
#include <vector>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "file/disk_file.h"
#include "file/le_bytes.h"
#include "format/new_table_header.h"
#include "format/prologue.h"

namespace chimdb {

namespace {

constexpr char kMsgLockTimeOut[] = "Wait for unlock time out";
constexpr char kMsgReadOnly[] = "Database file '%s' is read-only";
constexpr char kMsgDirectoryFull[] = "Database file '%s' holds 256 tables already";
// The byte of the store's file lock.
constexpr std::int64_t kLockOffset = 1;
constexpr std::int64_t kLockLength = 1;

void WriteInt32(File& file, std::int64_t offset, std::int32_t value) {
    std::uint8_t bytes[4] = {};
    le::PutI32(bytes, 0, value);
    file.WriteAt(offset, bytes);
}

bool HasTable(File& file, const Prologue& prologue, const std::string& codePageName) {
    for (const std::string& name : prologue.TableNames(file)) {
        if (SameName(name, codePageName))
            return true;
    }
    return false;
}

class RegionLock {
  public:
    RegionLock(File& file, const LockSettings& settings) : file_(file) {
        int failures = 0;
        while (!file_.TryLockRegion(kLockOffset, kLockLength)) {
            ++failures;
            if (settings.LockRetryCount() != 0 && failures > settings.LockRetryCount())
                RaiseError(kMsgLockTimeOut);
            std::this_thread::sleep_for(std::chrono::milliseconds(settings.LockWaitTime()));
        }
    }
    ~RegionLock() { file_.UnlockRegion(kLockOffset, kLockLength); }
    RegionLock(const RegionLock&) = delete;
    RegionLock& operator=(const RegionLock&) = delete;

  private:
    File& file_;
};

}  // namespace

bool TableAddition::AddTable(File& file, const TableSchema& table) {
    const TableHeader header = NewTableHeader(table);
    // Read afresh: another program may have added tables since anybody here looked.
    CompressMgr compress;
    EncryptMgr encrypt;
    const Prologue prologue = Prologue::Read(file, compress, encrypt);
    if (HasTable(file, prologue, header.name))
        return false;
    const std::int32_t number = prologue.directory.tableCount;
    if (number >= format::kMaxTables)
        RaiseError(kMsgDirectoryFull, file.Name());
    const std::int64_t end = file.Size();
    if (end < format::kPrologueEnd ||
        end + format::kTableHeaderSize > std::numeric_limits<std::int32_t>::max())
        RaiseError(format::kMsgCorrupt, file.Name());

    std::vector<std::uint8_t> bytes(format::kTableHeaderSize);
    header.Serialize(bytes);
    file.WriteAt(end, bytes);
    file.Sync();
    // The slot is beyond the count, so nobody reads it until the count is written.
    WriteInt32(file, format::kTableDirectoryOffset + 8 + 4 * static_cast<std::int64_t>(number),
               static_cast<std::int32_t>(end));
    file.Sync();
    WriteInt32(file, format::kTableDirectoryOffset, number + 1);
    file.Sync();
    return true;
}

bool TableAddition::AddTableToFile(const std::string& path, const TableSchema& table,
                                   const LockSettings& lockSettings) {
    {
        DiskFile probe(path, DiskFile::Access::ReadOnly);
        Prologue::CheckFileHeader(probe);
    }
    if (!DiskFile::IsWritable(path))
        RaiseError(kMsgReadOnly, path);
    DiskFile file(path, DiskFile::Access::ReadWrite);
    // An exclusive opener (a restore, a compaction) must not see the file change under it.
    if (!file.TryShareLock(false))
        RaiseError(format::kMsgCannotOpen, path);
    RegionLock lock(file, lockSettings);
    return AddTable(file, table);
}

}  // namespace chimdb
