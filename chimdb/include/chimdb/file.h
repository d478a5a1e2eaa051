#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace chimdb {

// The store's view of a database file: positioned reads and writes of bytes.
// Every access of the store goes through this interface so that the same code
// runs on a disk file, an in-memory image, or a file that simulates faults.
class File {
  public:
    virtual ~File() = default;

    // Reads up to dst.size() bytes at offset; returns how many were read, which is
    // fewer only at the end of the file. Raises DatabaseError on an I/O error.
    virtual std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) = 0;
    // Writes all of src at offset, extending the file when needed.
    virtual void WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) = 0;
    // Writes the parts one after the other from offset, as WriteAt of them in turn would;
    // with as few calls as the file allows.
    virtual void WriteGathered(std::int64_t offset,
                               std::span<const std::span<const std::uint8_t>> parts);
    virtual std::int64_t Size() = 0;
    // Makes every completed write durable.
    virtual void Sync() = 0;
    // The name used in messages.
    virtual std::string Name() const = 0;
    virtual bool IsReadOnly() const { return false; }

    // A byte-range lock that excludes every other opening of the same file (other processes
    // and other openings in this process). Without locking support it always succeeds.
    // Returns false when somebody else holds it.
    virtual bool TryLockRegion(std::int64_t /*offset*/, std::int64_t /*length*/) { return true; }
    virtual void UnlockRegion(std::int64_t /*offset*/, std::int64_t /*length*/) {}

    // Copies bytes as every opener of the file sees them at this moment, without taking the
    // lock; false when this file cannot (the caller then reads under the lock). A few small
    // regions are watched this way: the change stamps of the tables.
    virtual bool ReadShared(std::int64_t /*offset*/, std::span<std::uint8_t> /*dst*/) {
        return false;
    }

    // A shared lock of one byte that says "I am waiting for a lock" to every other opening;
    // any number of openings hold it at once. SetWaitSign(false) takes it back.
    virtual void SetWaitSign(std::int64_t /*offset*/, bool /*waiting*/) {}
    // Whether another opening shows the wait sign at offset.
    virtual bool OthersWait(std::int64_t /*offset*/) { return false; }

    // The file's size and the times of its last change as the file system reports them, so
    // that a reader can tell whether anybody wrote since it looked; zero where the file
    // cannot tell.
    struct ChangeTimes {
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        std::int64_t changedSeconds = 0;
        std::int64_t changedNanoseconds = 0;
        friend bool operator==(const ChangeTimes&, const ChangeTimes&) = default;
    };
    virtual ChangeTimes LastChange() { return {}; }

    // Which file this is on its file system (device and inode), so that two openings of one
    // file know each other; false where the file cannot tell (an in-memory image).
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        friend bool operator==(const Identity&, const Identity&) = default;
    };
    virtual bool GetIdentity(Identity& /*identity*/) { return false; }

    // Reads exactly dst.size() bytes; a short read raises "Database file '%s' is corrupt".
    void ReadExactly(std::int64_t offset, std::span<std::uint8_t> dst);
};

}  // namespace chimdb
