#include "table_io/chim_db_file_io.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/memory_stream_registry.h"
#include "codec/password_hash.h"
#include "file/disk_file.h"
#include "file/le_bytes.h"
#include "file/scope_exit.h"
#include "format/blob_descriptor.h"
#include "format/file_format.h"
#include "format/store_marks.h"

namespace chimdb {

namespace {

constexpr char kMsgLockTimeOut[] = "Wait for unlock time out";
constexpr char kMsgReadOnly[] = "Database file '%s' is read-only";
constexpr char kMsgNotOpen[] = "Database file '%s' is not open";
// The byte that stands for the whole database in the file lock.
constexpr std::int64_t kLockOffset = 1;
constexpr std::int64_t kLockLength = 1;
// The byte whose shared lock says "waiting for the file lock".
constexpr std::int64_t kWaitSignOffset = 2;
// A waiter tries again this often within each LockWaitTime, so that it takes the lock soon
// after a long read lets go of it.
constexpr auto kWaitSlice = std::chrono::milliseconds(1);
// How long a long read stays away from the lock for a waiter that does not take it.
constexpr auto kMostLetIn = std::chrono::milliseconds(50);

}  // namespace

ChimDBFileIO::ChimDBFileIO(const LockSettings& lockSettings, const DataProcessEvents* events)
    : lockSettings_(lockSettings), compressMgr_(events), encryptMgr_(events) {}

ChimDBFileIO::~ChimDBFileIO() {
    CloseFile();
}

const LockSettings& ChimDBFileIO::DefaultLockSettings() {
    static const LockSettings defaults;
    return defaults;
}

void ChimDBFileIO::OpenFile(const std::string& name, ChimDBMediumType medium, bool exclusive) try {
    if (IsOpen())
        return;
    medium_ = medium;
    try {
        if (medium == ChimDBMediumType::mtMemory)
            OpenMemory(name);
        else
            OpenDisk(name, exclusive);
        fileName_ = name;
        prologue_ = Prologue::Read(*file_, compressMgr_, encryptMgr_);
    } catch (...) {
        CloseFile();
        throw;
    }
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryToOpen, name);
}

void ChimDBFileIO::OpenDisk(const std::string& path, bool exclusive) {
    // The header is checked through a reading of its own before the real opening.
    {
        DiskFile probe(path, DiskFile::Access::ReadOnly);
        Prologue::CheckFileHeader(probe);
    }
    readOnly_ = !DiskFile::IsWritable(path);
    auto disk = std::make_unique<DiskFile>(
        path, readOnly_ ? DiskFile::Access::ReadOnly : DiskFile::Access::ReadWrite);
    // Somebody holds it exclusively, or we want it exclusively while others have it open.
    if (!disk->TryShareLock(exclusive))
        RaiseError(format::kMsgCannotOpen, path);
    exclusive_ = exclusive;
    ownedFile_ = std::move(disk);
    file_ = ownedFile_.get();
}

void ChimDBFileIO::OpenMemory(const std::string& name) {
    File* image = MemoryStreamRegistry::Find(MemoryStreamRegistry::ParseDatabaseName(name));
    if (image == nullptr)
        RaiseError("Invalid database name '%s'", name);
    Prologue::CheckFileHeader(*image);
    readOnly_ = image->IsReadOnly();
    exclusive_ = false;
    file_ = image;
}

void ChimDBFileIO::CloseFile() {
    if (batch_) {
        // Closed inside a batch: what it holds is written out as its end would; the batch
        // then has nothing left to end.
        try {
            WriteOutBatch();
        } catch (const std::exception&) {
            // The file is whole at every step of the write-out; there is nothing to keep.
        }
        file_ = &batch_->Base();
        batch_.reset();
        batchDepth_ = 0;
    }
    if (lockDepth_ > 0 && file_ != nullptr && medium_ == ChimDBMediumType::mtDisk)
        file_->UnlockRegion(kLockOffset, kLockLength);
    lockDepth_ = 0;
    ownedFile_.reset();  // a registered image is only let go
    file_ = nullptr;
    fileName_.clear();
    exclusive_ = false;
    readOnly_ = false;
    flushed_ = true;
    passwordAccepted_ = false;
    prologue_ = Prologue{};
}

bool ChimDBFileIO::CheckPassword(std::string_view password) {
    if (!IsOpen())
        return false;
    const ProcessHeader& header = prologue_.processHeader;
    if (!header.EncryptEnabled)
        return true;
    std::string bytes;
    try {
        bytes = ToCodePage(password);
    } catch (const DatabaseError&) {
        return false;  // a password the code page cannot hold cannot be the stored one
    }
    if (PasswordHashText(bytes) != header.PasswordHash)
        return false;
    std::lock_guard lock(codecMutex_);
    encryptMgr_.InitKey(bytes);
    passwordAccepted_ = true;
    return true;
}

std::vector<std::string> ChimDBFileIO::GetTableNames() {
    std::vector<std::string> names;
    for (const std::string& name : prologue_.TableNames(Stream()))
        names.push_back(FromCodePage(name));
    return names;
}

std::int32_t ChimDBFileIO::FindTable(std::string_view name) {
    std::string wanted;
    try {
        wanted = ToCodePage(name);
    } catch (const DatabaseError&) {
        RaiseError(format::kMsgTableNotFound, name);
    }
    std::vector<std::string> names = prologue_.TableNames(Stream());
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (SameName(names[i], wanted))
            return static_cast<std::int32_t>(i);
    }
    RaiseError(format::kMsgTableNotFound, name);
}

TableHeader ChimDBFileIO::ReadTableHeader(std::int32_t tableNumber) {
    return prologue_.ReadTableHeader(Stream(), tableNumber);
}

void ChimDBFileIO::WriteTableHeader(std::int32_t tableNumber, const TableHeader& header) {
    RequireWritable();
    flushed_ = false;
    prologue_.WriteTableHeader(Stream(), tableNumber, header);
}

std::int32_t ChimDBFileIO::TableHeaderOffset(std::int32_t tableNumber) const {
    if (tableNumber < 0 || tableNumber >= prologue_.directory.tableCount)
        RaiseError(format::kMsgCorrupt, fileName_);
    return prologue_.directory.tableHeaderOffsets[static_cast<std::size_t>(tableNumber)];
}

void ChimDBFileIO::LockFileRegion() {
    File& file = Stream();
    if (lockDepth_ > 0 || medium_ == ChimDBMediumType::mtMemory) {
        ++lockDepth_;
        return;
    }
    if (!file.TryLockRegion(kLockOffset, kLockLength))
        WaitForLock(file);
    lockDepth_ = 1;
    ++lockHolds_;
}

// Counts one failed attempt per LockWaitTime as before, but tries again every millisecond in
// between, and shows the wait sign meanwhile so that a long read lets go at its next break.
void ChimDBFileIO::WaitForLock(File& file) {
    using Clock = std::chrono::steady_clock;
    file.SetWaitSign(kWaitSignOffset, true);
    ScopeExit takeSignDown([&] { file.SetWaitSign(kWaitSignOffset, false); });
    for (int failures = 1;; ++failures) {
        int retryCount = lockSettings_.LockRetryCount();
        if (retryCount != 0 && failures > retryCount)
            RaiseError(kMsgLockTimeOut);
        const auto until = Clock::now() + std::chrono::milliseconds(lockSettings_.LockWaitTime());
        do {
            const auto left = until - Clock::now();
            if (left > Clock::duration::zero())
                std::this_thread::sleep_for(std::min<Clock::duration>(left, kWaitSlice));
            if (file.TryLockRegion(kLockOffset, kLockLength))
                return;
        } while (Clock::now() < until);
    }
}

bool ChimDBFileIO::OthersWaitForLock() {
    if (lockDepth_ != 1 || medium_ != ChimDBMediumType::mtDisk || file_ == nullptr)
        return false;
    return file_->OthersWait(kWaitSignOffset);
}

bool ChimDBFileIO::LetWaitersIn() {
    if (!OthersWaitForLock())
        return false;
    using Clock = std::chrono::steady_clock;
    file_->UnlockRegion(kLockOffset, kLockLength);
    lockDepth_ = 0;
    // A waiter takes its sign down once it has the lock; then this reader waits its own turn.
    const auto until = Clock::now() + kMostLetIn;
    while (file_->OthersWait(kWaitSignOffset) && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    LockFileRegion();
    return true;
}

void ChimDBFileIO::UnlockFileRegion() {
    if (lockDepth_ == 0)
        return;
    if (--lockDepth_ == 0 && file_ != nullptr && medium_ == ChimDBMediumType::mtDisk)
        file_->UnlockRegion(kLockOffset, kLockLength);
}

void ChimDBFileIO::FlushFile() {
    if (!IsOpen() || flushed_)
        return;
    WriteOutBatch();
    file_->Sync();
    flushed_ = true;
}

void ChimDBFileIO::BeginBatch() {
    LockFileRegion();
    if (batchDepth_++ > 0)
        return;
    try {
        RequireWritable();
        batch_ = std::make_unique<WriteBehindFile>(*file_);
    } catch (...) {
        batchDepth_ = 0;
        UnlockFileRegion();
        throw;
    }
    file_ = batch_.get();
    batchStretch_.Restart();
}

void ChimDBFileIO::EndBatch() {
    if (batchDepth_ == 0)
        return;
    if (--batchDepth_ > 0) {
        UnlockFileRegion();
        return;
    }
    ScopeExit letGo([&] {
        file_ = &batch_->Base();
        batch_.reset();
        UnlockFileRegion();
    });
    WriteOutBatch();
}

// Marks first, then every byte but the table headers, the headers last: until a table's
// header is written, its counts are the old ones, and its marked chains are rebuilt from the
// records it counts.
void ChimDBFileIO::WriteOutBatch() {
    if (!batch_ || batch_->Empty())
        return;
    File& base = batch_->Base();
    const std::vector<WriteBehindFile::Run> runs = batch_->HeldRuns();
    const auto headerSize = static_cast<std::int64_t>(format::kTableHeaderSize);
    std::vector<std::int64_t> runEnds;
    for (const WriteBehindFile::Run& run : runs)
        runEnds.push_back(run.End());
    auto touches = [&](std::int64_t begin, std::int64_t end) {
        for (std::size_t r = 0; r < runs.size(); ++r)
            if (runs[r].offset < end && begin < runEnds[r])
                return true;
        return false;
    };
    std::vector<std::int64_t> headers;
    for (std::int32_t t = 0; t < prologue_.directory.tableCount; ++t) {
        const std::int64_t at = TableHeaderOffset(t);
        if (touches(at, at + headerSize))
            headers.push_back(at);
    }
    for (std::int64_t at : headers) {
        std::vector<std::uint8_t> before(static_cast<std::size_t>(headerSize));
        if (base.ReadAt(at, before) != before.size())
            continue;  // not in the file yet: nobody counts it before its header is written
        const TableHeader old = TableHeader::Parse(before, base.Size(), fileName_);
        std::vector<std::uint8_t> marks(old.indexes.size(), format::kResortPending);
        if (!marks.empty())
            base.WriteAt(at + static_cast<std::int64_t>(format::kResortMarkersOffset), marks);
        std::uint8_t counter[4];
        batch_->ReadAt(at + static_cast<std::int64_t>(format::kAutoIncCounterOffset), counter);
        if (le::GetI32(counter, 0) > old.AutoIncCounter)
            base.WriteAt(at + static_cast<std::int64_t>(format::kAutoIncCounterOffset), counter);
    }
    // Every run but the parts of it that are table headers, written from where the pages
    // are held.
    std::sort(headers.begin(), headers.end());
    for (std::size_t r = 0; r < runs.size(); ++r) {
        auto writePart = [&](std::int64_t from, std::int64_t to) {
            if (from < to)
                base.WriteGathered(from, runs[r].Part(from, to));
        };
        std::int64_t from = runs[r].offset;
        for (std::int64_t at : headers) {
            if (at + headerSize <= from || at >= runEnds[r])
                continue;
            writePart(from, at);
            from = std::max(from, at + headerSize);
        }
        writePart(from, runEnds[r]);
    }
    for (std::int64_t at : headers) {
        std::vector<std::uint8_t> header(static_cast<std::size_t>(headerSize));
        batch_->ReadAt(at, header);
        base.WriteAt(at, header);
    }
    batch_->Clear();
}

void ChimDBFileIO::AfterBatchOperation() {
    // Held writes above this are written out: the memory of a batch stays bounded.
    constexpr std::size_t kMostHeld = 32u << 20;
    if (!batch_ || lockDepth_ != 1)
        return;
    if (batch_->HeldBytes() > kMostHeld)
        WriteOutBatch();
    // The wait sign is looked at every few milliseconds.
    if (!batchStretch_.StretchOver())
        return;
    batchStretch_.Restart();
    if (OthersWaitForLock()) {
        WriteOutBatch();
        LetWaitersIn();
        batch_->Clear();  // the file as the programs let in left it
    }
}

File& ChimDBFileIO::Stream() {
    if (file_ == nullptr)
        RaiseError(kMsgNotOpen, fileName_);
    return *file_;
}

void ChimDBFileIO::RequireWritable() {
    if (readOnly_ || Stream().IsReadOnly())
        RaiseError(kMsgReadOnly, fileName_);
}

void ChimDBFileIO::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    RequireWritable();
    flushed_ = false;
    file_->WriteAt(offset, bytes);
}

std::size_t ChimDBFileIO::ReadAt(std::int64_t offset, std::span<std::uint8_t> bytes) {
    return Stream().ReadAt(offset, bytes);
}

bool ChimDBFileIO::ReadShared(std::int64_t offset, std::span<std::uint8_t> bytes) {
    return file_ != nullptr && file_->ReadShared(offset, bytes);
}

void ChimDBFileIO::ReadExactly(std::int64_t offset, std::span<std::uint8_t> bytes) {
    Stream().ReadExactly(offset, bytes);
}

std::int64_t ChimDBFileIO::FileSize() {
    return Stream().Size();
}

void ChimDBFileIO::EncodeStream(std::span<const std::uint8_t> source,
                                std::vector<std::uint8_t>& dest, bool compress, bool encrypt) {
    std::lock_guard lock(codecMutex_);
    if (compress && encrypt) {
        std::vector<std::uint8_t> packed;
        compressMgr_.EncodeStream(source, packed);
        encryptMgr_.EncodeStream(packed, dest);
    } else if (compress) {
        compressMgr_.EncodeStream(source, dest);
    } else if (encrypt) {
        encryptMgr_.EncodeStream(source, dest);
    } else {
        dest.assign(source.begin(), source.end());
    }
}

void ChimDBFileIO::DecodeStream(std::span<const std::uint8_t> source,
                                std::vector<std::uint8_t>& dest, bool compress, bool encrypt) {
    std::lock_guard lock(codecMutex_);
    if (compress && encrypt) {
        std::vector<std::uint8_t> packed;
        encryptMgr_.DecodeStream(source, packed);
        compressMgr_.DecodeStream(packed, dest);
    } else if (compress) {
        compressMgr_.DecodeStream(source, dest);
    } else if (encrypt) {
        encryptMgr_.DecodeStream(source, dest);
    } else {
        dest.assign(source.begin(), source.end());
    }
}

void ChimDBFileIO::EncodeBuffer(const std::uint8_t* source, std::uint8_t* dest, bool encrypt,
                                std::size_t size) {
    if (!encrypt) {
        if (source != dest && size > 0)
            std::memmove(dest, source, size);
        return;
    }
    std::lock_guard lock(codecMutex_);
    encryptMgr_.EncodeBuffer(source, dest, size);
}

void ChimDBFileIO::DecodeBuffer(const std::uint8_t* source, std::uint8_t* dest, bool encrypt,
                                std::size_t size) {
    if (!encrypt) {
        if (source != dest && size > 0)
            std::memmove(dest, source, size);
        return;
    }
    std::lock_guard lock(codecMutex_);
    encryptMgr_.DecodeBuffer(source, dest, size);
}

void ChimDBFileIO::DecodeText(std::uint8_t* field, std::size_t size) {
    std::lock_guard lock(codecMutex_);
    encryptMgr_.DecodeText(field, field, size);
}

void ChimDBFileIO::DecodeFields(std::uint8_t* image, std::span<const EncipheredField> fields) {
    if (fields.empty())
        return;
    std::lock_guard lock(codecMutex_);
    for (const EncipheredField& field : fields) {
        std::uint8_t* value = image + field.offset;
        const auto width = static_cast<std::size_t>(field.width);
        if (field.text)
            encryptMgr_.DecodeText(value, value, width);
        else
            encryptMgr_.DecodeBuffer(value, value, width);
    }
}

void ChimDBFileIO::LoadBlob(std::int64_t descriptorPosition, bool encrypted, bool compressed,
                            std::vector<std::uint8_t>& content) try {
    FileLockGuard lock(*this);
    std::uint8_t bytes[format::kBlobDescriptorBytes];
    ReadExactly(descriptorPosition, bytes);
    BlobDescriptor descriptor = BlobDescriptor::Parse(bytes);
    if (!descriptor.FitsIn(FileSize()))
        RaiseError(format::kMsgCorrupt, fileName_);
    std::vector<std::uint8_t> stored(static_cast<std::size_t>(descriptor.dataSize));
    if (!stored.empty())
        ReadExactly(descriptor.dataOffset, stored);
    DecodeStream(stored, content, compressed, encrypted);
} catch (const std::bad_alloc&) {
    RaiseError(kMsgNoMemoryForBlob, fileName_);
}

}  // namespace chimdb
