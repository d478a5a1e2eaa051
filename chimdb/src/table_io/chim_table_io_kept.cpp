// Deciphered records kept in memory, and the change stamp that tells when they no longer
// match the file.
//
// Writers renew the stamp under the file lock before their first other write, so a reader
// that finds the stamp it knows has read the table as it was before any write that is still
// going on: the kept records are what the file held then. Reading the stamp needs no lock
// and, on a local file system, no system call (a shared mapping of the header page); where
// the file cannot be mapped coherently it is read under the lock.
#include "table_io/chim_table_io.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <random>

#include <pthread.h>
#include <unistd.h>

#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "format/file_format.h"
#include "format/record_table.h"

namespace chimdb {

namespace {

std::atomic<std::size_t>& DefaultLimit() {
    static std::atomic<std::size_t> limit{RecordCache::kDefaultLimit};
    return limit;
}

// Counts the forks of this process (in the child), so that a generator seeded before one is
// seeded again without asking the system for the process id at every write.
std::atomic<unsigned> forks{0};

// A value no program is likely to have written before: a copy of the file put back over it
// must not look unchanged. The generator is seeded again in a child process: a fork copies
// its state, and two programs that wrote the same sequence of stamps would each take the
// other's write for one of their own. One generator per thread, so that threads writing
// different tables never share one.
ChimTableIO::ChangeStamp NewStamp(const ChimTableIO::ChangeStamp& old) {
    static const int counting = ::pthread_atfork(nullptr, nullptr, [] { ++forks; });
    static_cast<void>(counting);
    thread_local std::mt19937_64 random;
    thread_local unsigned seededAt = 0;
    thread_local bool seeded = false;
    if (!seeded || seededAt != forks.load()) {
        const pid_t pid = ::getpid();
        std::random_device device;
        std::seed_seq seed{static_cast<std::uint64_t>(device()),
                           static_cast<std::uint64_t>(device()), static_cast<std::uint64_t>(pid),
                           static_cast<std::uint64_t>(
                               std::chrono::steady_clock::now().time_since_epoch().count())};
        random.seed(seed);
        seededAt = forks.load();
        seeded = true;
    }
    ChimTableIO::ChangeStamp stamp{};
    do {
        const std::uint64_t value = random();
        std::memcpy(stamp.data(), &value, stamp.size());
    } while (stamp == old || stamp == ChimTableIO::ChangeStamp{});
    return stamp;
}

// Records read together on a miss: neighbours by record number usually lie side by side in
// the file, and a walk or an index order visits them soon.
constexpr std::int32_t kBatchRecords = 64;
// A batch is read with one call when its records span at most this many bytes.
constexpr std::int64_t kBatchSpan = 256 * 1024;

}  // namespace

void ChimTableIO::SetDefaultKeptRecordLimit(std::size_t bytes) {
    DefaultLimit() = bytes;
}

std::size_t ChimTableIO::DefaultKeptRecordLimit() {
    return DefaultLimit();
}

bool ChimTableIO::IsDeletedRecord(std::int32_t recNo) const {
    return recNo < 0 || static_cast<std::size_t>(recNo) >= recordItems_.size() ||
           recordItems_[static_cast<std::size_t>(recNo)].IsDeleted();
}

// ---------------------------------------------------------------------------------------
// The stamp

ChimTableIO::ChangeStamp ChimTableIO::HeaderStamp() const {
    ChangeStamp stamp{};
    if (header_.raw.size() >= kChangeStampOffset + stamp.size())
        std::memcpy(stamp.data(), header_.raw.data() + kChangeStampOffset, stamp.size());
    return stamp;
}

bool ChimTableIO::ReadStampShared(ChangeStamp& stamp) {
    if (tableNumber_ < 0)
        return false;
    return io_.ReadShared(
        io_.TableHeaderOffset(tableNumber_) + static_cast<std::int64_t>(kChangeStampOffset), stamp);
}

ChimTableIO::ChangeStamp ChimTableIO::ReadStampLocked() {
    ChangeStamp stamp{};
    io_.ReadExactly(
        io_.TableHeaderOffset(tableNumber_) + static_cast<std::int64_t>(kChangeStampOffset), stamp);
    return stamp;
}

void ChimTableIO::KeepStamp(const ChangeStamp& stamp) {
    if (!keptKnown_ || stamp != keptStamp_)
        kept_.Clear();
    keptStamp_ = stamp;
    keptKnown_ = true;
    stampCheckedInHold_ = io_.LockHold();
}

bool ChimTableIO::StampCheckedInThisHold() const {
    const std::uint64_t hold = io_.LockHold();
    return hold != 0 && hold == stampCheckedInHold_;
}

void ChimTableIO::KeepUpWithFile() {
    if (listsKnown_ && keptKnown_ && keptStamp_ == HeaderStamp()) {
        if (io_.SoleWriter() || StampCheckedInThisHold())
            return;
        ChangeStamp stamp{};
        if (ReadStampShared(stamp) && stamp == keptStamp_)
            return;
    }
    FileLockGuard lock(io_);
    Refresh();
}

bool ChimTableIO::DeletedElsewhere(std::int32_t recNo) {
    if (io_.SoleWriter() || IsDeletedRecord(recNo))
        return false;
    if (const std::uint64_t hold = io_.LockHold(); hold != 0 && hold == syncedInHold_)
        return false;
    std::uint8_t flag = 0;
    const std::int64_t at = RecordItemOffset(recNo) + 4;
    if (!io_.ReadShared(at, std::span(&flag, 1)))
        io_.ReadExactly(at, std::span(&flag, 1));
    return flag != 0;
}

// With the header as this object knows it, the record table's blocks are where it knows them:
// each is read with one call, and only its deleted bytes are compared. (Plain reads: a look at
// every block through the shared mapping would fault in its pages, which costs a program
// that opens a table briefly more than the reads do.)
bool ChimTableIO::DeletedFlagsDifferFromFile() {
    if (io_.SoleWriter() || recordItems_.empty())
        return false;
    const std::size_t count = recordItems_.size();
    for (std::size_t block = 0; block * format::kItemsPerBlock < count; ++block) {
        const std::size_t first = block * format::kItemsPerBlock;
        const std::size_t items = std::min<std::size_t>(format::kItemsPerBlock, count - first);
        blockScratch_.resize(items * format::kRecordTabItemSize);
        const std::int64_t at = static_cast<std::int64_t>(recordBlocks_.at(block)) + 4;
        io_.ReadExactly(at, blockScratch_);
        for (std::size_t k = 0; k < items; ++k) {
            const bool deleted = blockScratch_[k * format::kRecordTabItemSize + 4] != 0;
            if (deleted != recordItems_[first + k].IsDeleted())
                return true;
        }
    }
    return false;
}

bool ChimTableIO::MatchesFile() {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(format::kTableHeaderSize));
    io_.ReadExactly(io_.TableHeaderOffset(tableNumber_), bytes);
    return listsKnown_ && bytes == header_.raw && !DeletedFlagsDifferFromFile();
}

void ChimTableIO::ReloadEverything() {
    listsKnown_ = false;
    Refresh();
}

void ChimTableIO::CheckKeptRecords() {
    if (keptKnown_) {
        if (io_.SoleWriter() || StampCheckedInThisHold())
            return;
        ChangeStamp stamp{};
        if (ReadStampShared(stamp) && stamp == keptStamp_)
            return;
    }
    FileLockGuard lock(io_);
    KeepStamp(ReadStampLocked());
}

// Under the lock, after the header check that every write makes first: what is kept at the
// stamp found then is still what the file holds.
void ChimTableIO::RenewStamp() {
    const ChangeStamp old = HeaderStamp();
    const ChangeStamp stamp = NewStamp(old);
    const bool keptCurrent = keptKnown_ && keptStamp_ == old;
    io_.WriteAt(io_.TableHeaderOffset(tableNumber_) + static_cast<std::int64_t>(kChangeStampOffset),
                stamp);
    std::copy(stamp.begin(), stamp.end(), header_.raw.begin() + kChangeStampOffset);
    if (!keptCurrent)
        kept_.Clear();
    keptStamp_ = stamp;
    keptKnown_ = true;
    stampCheckedInHold_ = io_.LockHold();
}

void ChimTableIO::ForgetWhatIsKnown() {
    kept_.Clear();
    keptKnown_ = false;
    listsKnown_ = false;
    stampCheckedInHold_ = 0;
    syncedInHold_ = 0;
}

// ---------------------------------------------------------------------------------------
// Kept records
//
// A record is deciphered whole when it is kept (its texts up to their terminating zero), so
// that what is kept is plain and compact, and a walk or a filter pass over kept records reads
// memory only.

void ChimTableIO::BuildKeptLayout() {
    std::vector<std::uint8_t> types;
    std::vector<std::int32_t> widths;
    enciphered_.clear();
    for (std::size_t i = 0; i < header_.fields.size(); ++i) {
        const std::uint8_t type = header_.fields[i].fieldType;
        types.push_back(type);
        widths.push_back(FieldWidth(i));
        if (!IsBlobType(type) && FieldEncrypted(i))
            enciphered_.push_back({fieldOffsets_[i], widths.back(), IsStringType(type)});
    }
    keptLayout_ = CompactRecordLayout(types, fieldOffsets_, widths);
    kept_.Reset(keptLayout_.Usable() ? keptLayout_.MaxSize() : 0,
                static_cast<std::size_t>(std::max(header_.RecordCount, 0)));
}

void ChimTableIO::DecipherImage(std::uint8_t* image) {
    io_.DecodeFields(image, enciphered_);
}

bool ChimTableIO::KeepStoredImage(std::int32_t recNo, const std::uint8_t* stored) {
    imageScratch_.assign(stored, stored + recordSize_);
    DecipherImage(imageScratch_.data());
    const std::size_t size = keptLayout_.SizeOf(imageScratch_.data());
    std::uint8_t* place = kept_.Insert(recNo, size);
    if (place == nullptr)
        return false;
    keptLayout_.Pack(imageScratch_.data(), place);
    return true;
}

void ChimTableIO::DecodeImage(const std::uint8_t* compact, std::vector<std::uint8_t>& plain) {
    plain.resize(static_cast<std::size_t>(recordSize_));
    keptLayout_.Unpack(compact, plain.data());
}

// A record in its compact form: kept, or read now (with its neighbours) and kept. The
// pointer holds until the next read of a record.
const std::uint8_t* ChimTableIO::KeptRecord(const RecordRef& ref) {
    if (ref.dataOffset < format::kPrologueEnd)
        RaiseError(format::kMsgCorrupt, io_.FileName());
    CheckKeptRecords();
    const bool known = IsKnownRecord(ref);
    if (known) {
        if (const std::uint8_t* record = kept_.Find(ref.recNo))
            return record;
    }
    FileLockGuard lock(io_);
    KeepStamp(ReadStampLocked());
    if (known) {
        LoadKeptRecords(ref);
        if (const std::uint8_t* record = kept_.Find(ref.recNo))
            return record;
    }
    // Not kept (no room, or a record this object does not list): read it alone.
    batchScratch_.resize(static_cast<std::size_t>(recordSize_));
    // A record that reaches past the end of the file reads short and is refused as corrupt.
    io_.ReadExactly(ref.dataOffset, batchScratch_);
    DecipherImage(batchScratch_.data());
    unkeptScratch_.resize(keptLayout_.SizeOf(batchScratch_.data()));
    keptLayout_.Pack(batchScratch_.data(), unkeptScratch_.data());
    return unkeptScratch_.data();
}

std::span<const std::uint8_t> ChimTableIO::KeptField(std::int32_t recNo, std::size_t fieldNo) {
    if (recNo < 0 || recNo >= static_cast<std::int32_t>(recordItems_.size()))
        RaiseError(format::kMsgCorrupt, io_.FileName());
    const std::uint8_t* record =
        KeptRecord(RecordRef{recordItems_[static_cast<std::size_t>(recNo)].dataOffset, recNo});
    return keptLayout_.Field(record, fieldNo);
}

// Under the lock: the record and the not yet kept records of its batch, read with one call
// when they lie close together. The record itself is kept last, so that emptying a chunk for
// a neighbour never drops it.
void ChimTableIO::LoadKeptRecords(const RecordRef& ref) {
    const auto count = static_cast<std::int32_t>(recordItems_.size());
    const std::int32_t first = ref.recNo / kBatchRecords * kBatchRecords;
    const std::int32_t end = std::min(count, first + kBatchRecords);
    std::vector<std::int32_t> wanted;
    std::int64_t low = ref.dataOffset;
    std::int64_t high = ref.dataOffset + recordSize_;
    for (std::int32_t n = first; n < end; ++n) {
        const std::int64_t offset = recordItems_[static_cast<std::size_t>(n)].dataOffset;
        if (n == ref.recNo || kept_.Find(n) != nullptr || offset < format::kPrologueEnd ||
            recordItems_[static_cast<std::size_t>(n)].IsDeleted())
            continue;
        if (std::max(high, offset + recordSize_) - std::min(low, offset) > kBatchSpan)
            continue;
        low = std::min(low, offset);
        high = std::max(high, offset + recordSize_);
        wanted.push_back(n);
    }
    // Neighbours past the end of the file are left out rather than refused: only the record
    // asked for must be whole.
    if (high > io_.FileSize()) {
        wanted.clear();
        low = ref.dataOffset;
        high = ref.dataOffset + recordSize_;
    }
    batchScratch_.resize(static_cast<std::size_t>(high - low));
    io_.ReadExactly(low, batchScratch_);
    wanted.push_back(ref.recNo);
    for (std::int32_t n : wanted) {
        const std::int64_t offset = recordItems_[static_cast<std::size_t>(n)].dataOffset;
        if (!KeepStoredImage(n, batchScratch_.data() + (offset - low)))
            return;
    }
}

void ChimTableIO::KeepWritten(std::int32_t recNo, const std::vector<std::uint8_t>& plain) {
    if (!keptKnown_ || !keptLayout_.Usable())
        return;
    if (std::uint8_t* place = kept_.Insert(recNo, keptLayout_.SizeOf(plain.data())))
        keptLayout_.Pack(plain.data(), place);
}

}  // namespace chimdb
