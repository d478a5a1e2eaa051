#pragma once

#include <string>

#include "chimdb/file.h"
#include "file/guarded_mapping.h"

namespace chimdb {

// A database file on disk, accessed with plain POSIX calls (pread/pwrite/fdatasync).
class DiskFile : public File {
  public:
    enum class Access { ReadOnly, ReadWrite };

    // Opens an existing file; "Cannot open file %s" when it cannot be opened.
    DiskFile(const std::string& path, Access access);
    ~DiskFile() override;
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    // Creates a new, empty file opened read-write; refuses to replace an existing one
    // ("Database file '%s' already exists").
    static DiskFile CreateNew(const std::string& path);
    DiskFile(DiskFile&& other) noexcept;

    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) override;
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) override;
    // pwritev, as many parts at a time as the system takes.
    void WriteGathered(std::int64_t offset,
                       std::span<const std::span<const std::uint8_t>> parts) override;
    std::int64_t Size() override;
    void Sync() override;
    std::string Name() const override { return path_; }
    bool IsReadOnly() const override { return access_ == Access::ReadOnly; }
    // An open-file-description lock (F_OFD_SETLK): it belongs to this opening, so two
    // openings of one file exclude each other even inside one process.
    bool TryLockRegion(std::int64_t offset, std::int64_t length) override;
    void UnlockRegion(std::int64_t offset, std::int64_t length) override;
    // One read without the lock, on local file systems only (there one page cache serves
    // every opener, so the read sees every write that finished before it). From a shared
    // mapping, so that the bytes every operation looks at cost no system call.
    bool ReadShared(std::int64_t offset, std::span<std::uint8_t> dst) override;
    // Open-file-description read locks as well, which read-only openings may take too.
    void SetWaitSign(std::int64_t offset, bool waiting) override;
    bool OthersWait(std::int64_t offset) override;
    ChangeTimes LastChange() override;
    bool GetIdentity(Identity& identity) override;

    // A whole-file share lock that the store's openers respect: exclusive for an exclusive
    // opening, shared otherwise. False when it conflicts with another opening.
    bool TryShareLock(bool exclusive);
    // True when this process may write the file at path and the file is not read-only to
    // everybody (no write permission bit set), also when the process runs as root.
    static bool IsWritable(const std::string& path);

  private:
    DiskFile(std::string path, Access access, int fd);
    [[noreturn]] void RaiseIoError(const char* operation, int error) const;
    // Maps the file with room to grow, when it now holds the bytes up to end.
    void MapUpTo(std::int64_t end);

    std::string path_;
    Access access_;
    int fd_ = -1;
    bool coherentReads_ = false;
    GuardedMapping mapping_;
};

}  // namespace chimdb
