#pragma once

#include <cstdint>
#include <optional>

#include "chimdb/file.h"

namespace chimdb {

// Wraps another file and simulates failures for crash-safety tests. Writes and
// reads are numbered from 1 in the order they reach this object.
//
// - StopAfterWrites(k): writes 1..k reach the inner file; every later write is
//   silently lost (it reports success), as after a power cut. Optionally the
//   (k+1)-th write is torn: only its first tornBytes bytes reach the file.
// - FailWrite(k) / FailRead(k): the k-th write or read raises a DatabaseError
//   without touching the inner file.
class FaultInjectingFile : public File {
  public:
    explicit FaultInjectingFile(File& inner) : inner_(inner) {}

    void StopAfterWrites(std::int64_t k, std::size_t tornBytes = 0);
    void FailWrite(std::int64_t k) { failWrite_ = k; }
    void FailRead(std::int64_t k) { failRead_ = k; }
    void ClearFaults();

    // Writes attempted so far (lost and failed ones included).
    std::int64_t WriteCount() const { return writeCount_; }
    std::int64_t ReadCount() const { return readCount_; }
    // Writes that were dropped because of StopAfterWrites.
    std::int64_t LostWrites() const { return lostWrites_; }

    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) override;
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) override;
    std::int64_t Size() override { return inner_.Size(); }
    void Sync() override;
    std::string Name() const override { return inner_.Name(); }
    bool IsReadOnly() const override { return inner_.IsReadOnly(); }
    // Not counted as a read: it is no access that could fail.
    bool ReadShared(std::int64_t offset, std::span<std::uint8_t> dst) override {
        return inner_.ReadShared(offset, dst);
    }
    bool TryLockRegion(std::int64_t offset, std::int64_t length) override {
        return inner_.TryLockRegion(offset, length);
    }
    void UnlockRegion(std::int64_t offset, std::int64_t length) override {
        inner_.UnlockRegion(offset, length);
    }

  private:
    bool PowerIsCut() const { return stopAfter_ && writeCount_ > *stopAfter_; }

    File& inner_;
    std::optional<std::int64_t> stopAfter_;
    std::size_t tornBytes_ = 0;
    std::optional<std::int64_t> failWrite_;
    std::optional<std::int64_t> failRead_;
    std::int64_t writeCount_ = 0;
    std::int64_t readCount_ = 0;
    std::int64_t lostWrites_ = 0;
};

}  // namespace chimdb
