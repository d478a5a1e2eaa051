#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "chimdb/file.h"
#include "chimdb/lock_settings.h"
#include "chimdb/medium_type.h"
#include "codec/compress_mgr.h"
#include "codec/encrypt_mgr.h"
#include "file/stretch_clock.h"
#include "file/write_behind_file.h"
#include "format/prologue.h"
#include "format/table_header.h"
#include "table_io/blob_loader.h"

namespace chimdb {

// The open file (or in-memory image) of one database: its stream, the file lock, the
// prologue, and the compression and encryption of its data.
//
// Locking: the file lock is one byte at offset 1, held by an open file description (so two
// openings in one process exclude each other like two processes do). It nests within one
// object. The codec calls run inside a per-database critical section; whoever needs both
// takes the file lock first.
class ChimDBFileIO : public BlobLoader {
  public:
    // The lock settings (and events) must outlive this object.
    explicit ChimDBFileIO(const LockSettings& lockSettings = DefaultLockSettings(),
                          const DataProcessEvents* events = nullptr);
    ~ChimDBFileIO() override;
    ChimDBFileIO(const ChimDBFileIO&) = delete;
    ChimDBFileIO& operator=(const ChimDBFileIO&) = delete;

    static const LockSettings& DefaultLockSettings();

    // Opens the database; does nothing when already open.
    // mtDisk: name is the file path. "Cannot open file %s" when it does not exist, cannot be
    //   opened, or is opened exclusively by someone else (or exclusive is asked while others
    //   have it open). Without write permission the file is opened read-only.
    // mtMemory: name is ":" + the hexadecimal handle of an image registered with
    //   MemoryStreamRegistry ("Invalid database name '%s'"). No file lock is taken.
    // Then the prologue is read and checked (magic, version, algorithms, directory).
    void OpenFile(const std::string& name, ChimDBMediumType medium, bool exclusive);
    // Releases the stream (a registered image is never freed).
    void CloseFile();
    bool IsOpen() const { return file_ != nullptr; }

    // True at once for a file that is not enciphered; otherwise compares the password's hash
    // text with the stored one and, on a match, keys the cipher. Password in UTF-8. False
    // while closed.
    bool CheckPassword(std::string_view password);
    // Whether enciphered fields can be read: the file is not enciphered, or its password
    // was given (CheckPassword).
    bool CanDecipher() const { return !EncryptEnabled() || passwordAccepted_; }
    // Table names (UTF-8) in directory order.
    std::vector<std::string> GetTableNames();
    // Number of the table with this name (UTF-8, any case); "Table '%s' not found".
    std::int32_t FindTable(std::string_view name);
    TableHeader ReadTableHeader(std::int32_t tableNumber);
    void WriteTableHeader(std::int32_t tableNumber, const TableHeader& header);
    // File offset of a table's header.
    std::int32_t TableHeaderOffset(std::int32_t tableNumber) const;

    // The file lock; nests. "Wait for unlock time out" once the failed attempts exceed
    // LockRetryCount (never when it is 0), LockWaitTime ms apart. mtMemory: no lock.
    void LockFileRegion();
    void UnlockFileRegion();
    int LockDepth() const { return lockDepth_; }
    // Which hold of the file lock is going on: a number that grows with every time a disk
    // file's lock is taken, 0 while it is not held (and always for an in-memory image, which
    // other databases may share without a lock). While one hold lasts, no other program
    // writes the file, so what was found in the file during it is still there.
    std::uint64_t LockHold() const {
        return lockDepth_ > 0 && medium_ == ChimDBMediumType::mtDisk ? lockHolds_ : 0;
    }
    // For a long read that holds the lock in stretches: whether another opening of the file
    // waits for the lock (it shows a wait sign while it waits), and letting it in: the lock
    // is released until the waiter has it (or for at most a moment), then taken again as
    // LockFileRegion does. Only the outermost hold of a disk file can let go; elsewhere
    // nobody is let in and false is returned.
    bool OthersWaitForLock();
    bool LetWaitersIn();

    // A write batch: from BeginBatch to the matching EndBatch (batches nest; the outermost
    // counts) the file lock is held and writes are held in memory, where reads see them;
    // EndBatch writes them out together and lets go of the lock. The write-out keeps the file
    // whole at every step: the re-sort marks of every table written (and its raised
    // auto-increment counter) first, then every other byte, the table headers last; a stop in
    // between leaves each table as it was before the batch, but for the records rewritten or
    // deleted in it, and rebuilds its chains at the next open. EndBatch raises when the
    // write-out fails (what is kept of the tables is then read again from the file), but lets
    // go of the lock in any case.
    void BeginBatch();
    void EndBatch();
    bool InBatch() const { return batchDepth_ > 0; }
    // After a table operation inside a batch: writes out early when what is held has grown
    // large, or lets a program in that waits for the lock, so that nobody waits for a long
    // batch longer than for one write.
    void AfterBatchOperation();

    // Flushes a disk file to the device unless nothing was written since the last flush
    // (inside a batch: what it holds is written out first).
    void FlushFile();
    bool Flushed() const { return flushed_; }

    // Raw access for the table layer. Every write clears the flushed flag and is refused on a
    // read-only database ("Database file '%s' is read-only").
    File& Stream();
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> bytes);
    void ReadExactly(std::int64_t offset, std::span<std::uint8_t> bytes);
    std::int64_t FileSize();
    // Bytes as every opener sees them now, without a system call where the file allows it;
    // false when it does not (then read them under the lock).
    bool ReadShared(std::int64_t offset, std::span<std::uint8_t> bytes);
    void RequireWritable();

    // Blob content to stored bytes (compress, then encipher) and back (decipher, then
    // decompress); without either flag the bytes are copied.
    void EncodeStream(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& dest,
                      bool compress, bool encrypt);
    void DecodeStream(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& dest,
                      bool compress, bool encrypt);
    // One field value into or out of the record image; source == dest is allowed.
    void EncodeBuffer(const std::uint8_t* source, std::uint8_t* dest, bool encrypt,
                      std::size_t size);
    void DecodeBuffer(const std::uint8_t* source, std::uint8_t* dest, bool encrypt,
                      std::size_t size);
    // A string field's value, deciphered up to its terminating zero (the rest is zeros).
    void DecodeText(std::uint8_t* field, std::size_t size);
    // Enciphered fields of a record image, deciphered in place under one hold of the codec:
    // texts as DecodeText, every other field as DecodeBuffer.
    struct EncipheredField {
        std::int32_t offset = 0;
        std::int32_t width = 0;
        bool text = false;
    };
    void DecodeFields(std::uint8_t* image, std::span<const EncipheredField> fields);

    // BlobLoader: the stored blob behind a descriptor, decoded.
    void LoadBlob(std::int64_t descriptorPosition, bool encrypted, bool compressed,
                  std::vector<std::uint8_t>& content) override;

    const std::string& FileName() const { return fileName_; }
    ChimDBMediumType MediumType() const { return medium_; }
    bool Exclusive() const { return exclusive_; }
    bool ReadOnly() const { return readOnly_; }
    const ProcessHeader& GetProcessHeader() const { return prologue_.processHeader; }
    const TableDirectory& Directory() const { return prologue_.directory; }
    bool EncryptEnabled() const { return prologue_.processHeader.EncryptEnabled; }
    bool CompressEnabled() const { return prologue_.processHeader.CompressEnabled; }
    bool VerifyWrites() const { return prologue_.processHeader.VerifyWrites; }
    // Nobody else can write the file while it is open (an in-memory image may be opened by
    // several databases at once).
    bool SoleWriter() const { return exclusive_; }

  private:
    void WriteOutBatch();
    void OpenDisk(const std::string& path, bool exclusive);
    void OpenMemory(const std::string& name);
    void WaitForLock(File& file);

    const LockSettings& lockSettings_;
    CompressMgr compressMgr_;
    EncryptMgr encryptMgr_;
    std::mutex codecMutex_;
    std::unique_ptr<File> ownedFile_;
    File* file_ = nullptr;
    std::string fileName_;
    ChimDBMediumType medium_ = ChimDBMediumType::mtDisk;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool flushed_ = true;
    bool passwordAccepted_ = false;
    int lockDepth_ = 0;
    std::uint64_t lockHolds_ = 0;
    // The batch going on: its depth, and the writes it holds in front of the file.
    int batchDepth_ = 0;
    std::unique_ptr<WriteBehindFile> batch_;
    StretchClock batchStretch_{std::chrono::milliseconds(5)};
    Prologue prologue_;
};

// Holds the file lock for a scope.
class FileLockGuard {
  public:
    explicit FileLockGuard(ChimDBFileIO& io) : io_(io) { io_.LockFileRegion(); }
    ~FileLockGuard() { io_.UnlockFileRegion(); }
    FileLockGuard(const FileLockGuard&) = delete;
    FileLockGuard& operator=(const FileLockGuard&) = delete;

  private:
    ChimDBFileIO& io_;
};

}  // namespace chimdb
