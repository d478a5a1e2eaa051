#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "chimdb/file.h"

namespace chimdb {

// A file whose writes are held in memory, in pages, until they are written out together;
// reads see them at once. Locks, change times and identity are the underlying file's.
class WriteBehindFile : public File {
  public:
    static constexpr std::size_t kPageSize = 4096;

    // The underlying file must not change otherwise while this one lives (its writer holds
    // the file lock).
    explicit WriteBehindFile(File& base) : base_(base), baseSize_(base.Size()), size_(baseSize_) {}

    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) override;
    void WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) override;
    std::int64_t Size() override { return size_; }
    // The underlying file's; what is held here is not written by it.
    void Sync() override { base_.Sync(); }
    std::string Name() const override { return base_.Name(); }
    bool IsReadOnly() const override { return base_.IsReadOnly(); }
    bool TryLockRegion(std::int64_t offset, std::int64_t length) override {
        return base_.TryLockRegion(offset, length);
    }
    void UnlockRegion(std::int64_t offset, std::int64_t length) override {
        base_.UnlockRegion(offset, length);
    }
    void SetWaitSign(std::int64_t offset, bool waiting) override {
        base_.SetWaitSign(offset, waiting);
    }
    bool OthersWait(std::int64_t offset) override { return base_.OthersWait(offset); }
    ChangeTimes LastChange() override { return base_.LastChange(); }
    bool GetIdentity(Identity& identity) override { return base_.GetIdentity(identity); }

    File& Base() const { return base_; }
    std::size_t HeldBytes() const { return pages_.size() * kPageSize; }
    bool Empty() const { return pages_.empty(); }

    // What is held, as runs of adjacent pages in the order of the file (a page that reaches
    // past the end the file is to have is cut there). The pages stay where they are held.
    struct Run {
        std::int64_t offset = 0;
        std::vector<std::span<const std::uint8_t>> pages;
        std::int64_t End() const;
        // The bytes of [from, to) of this run, as parts of its pages.
        std::vector<std::span<const std::uint8_t>> Part(std::int64_t from, std::int64_t to) const;
    };
    std::vector<Run> HeldRuns() const;
    // Forgets what is held (after it was written out).
    void Clear();

  private:
    using Page = std::unique_ptr<std::uint8_t[]>;

    // The page, loaded from the underlying file when it is not held yet.
    std::uint8_t* HeldPage(std::int64_t pageNo);

    File& base_;
    std::unordered_map<std::int64_t, Page> pages_;
    // The underlying file's size, and this file's as the writes held here make it.
    std::int64_t baseSize_ = 0;
    std::int64_t size_ = 0;
};

}  // namespace chimdb
