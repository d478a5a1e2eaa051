#include "chimdb/fault_injecting_file.h"

#include <algorithm>

#include "chimdb/database_error.h"

namespace chimdb {

void FaultInjectingFile::StopAfterWrites(std::int64_t k, std::size_t tornBytes) {
    stopAfter_ = k;
    tornBytes_ = tornBytes;
}

void FaultInjectingFile::ClearFaults() {
    stopAfter_.reset();
    failWrite_.reset();
    failRead_.reset();
    tornBytes_ = 0;
}

std::size_t FaultInjectingFile::ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) {
    ++readCount_;
    if (failRead_ && readCount_ == *failRead_)
        throw DatabaseError("Injected read error on file " + Name());
    return inner_.ReadAt(offset, dst);
}

void FaultInjectingFile::WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) {
    ++writeCount_;
    if (failWrite_ && writeCount_ == *failWrite_)
        throw DatabaseError("Injected write error on file " + Name());
    if (!PowerIsCut()) {
        inner_.WriteAt(offset, src);
        return;
    }
    // The first write after the cut may be torn: part of it made it to the disk.
    if (writeCount_ == *stopAfter_ + 1 && tornBytes_ > 0)
        inner_.WriteAt(offset, src.first(std::min(tornBytes_, src.size())));
    ++lostWrites_;
}

void FaultInjectingFile::Sync() {
    if (!PowerIsCut())
        inner_.Sync();
}

}  // namespace chimdb
