// An allocation that fails inside the store reaches the program as a store error with an
// English message, and the table stays usable once memory is there again. The failure is
// made by this test program's own operator new, which refuses large blocks while a test asks
// it to.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "cursor_test_util.h"

// AddressSanitizer keeps operator new for itself (its other forms would not match this
// program's delete); there the test is skipped.
#if !defined(__SANITIZE_ADDRESS__)
#define CHIMORA_REFUSES_LARGE_BLOCKS 1
#endif

#ifdef CHIMORA_REFUSES_LARGE_BLOCKS
namespace {

// Blocks of at least this many bytes are refused; the largest size means none.
std::atomic<std::size_t> refusedFrom{static_cast<std::size_t>(-1)};

void* Allocate(std::size_t size) {
    if (size >= refusedFrom.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
#endif

namespace chimdb::testing {
namespace {

using ::testing::StartsWith;

#ifdef CHIMORA_REFUSES_LARGE_BLOCKS
class LargeBlocksRefused {
  public:
    explicit LargeBlocksRefused(std::size_t from) { refusedFrom = from; }
    ~LargeBlocksRefused() { refusedFrom = static_cast<std::size_t>(-1); }
    LargeBlocksRefused(const LargeBlocksRefused&) = delete;
    LargeBlocksRefused& operator=(const LargeBlocksRefused&) = delete;
};

#else
struct LargeBlocksRefused {
    explicit LargeBlocksRefused(std::size_t) {}
};
#endif

using AllocationFailureTest = CursorTest;

TEST_F(AllocationFailureTest, ReadingFilteringAndPostingALargeMemoReportStoreErrors) {
#ifndef CHIMORA_REFUSES_LARGE_BLOCKS
    GTEST_SKIP() << "AddressSanitizer keeps operator new for itself";
#endif
    constexpr std::size_t kMemoBytes = 3 << 20;
    const std::string stored(kMemoBytes, 'x');
    ChimTable table;
    OpenTable(table);
    table.Append();
    table.FieldByName("NAME").SetAsString("big");
    table.FieldByName("NOTE").SetAsString(stored);
    table.Post();
    table.Close();
    OpenTable(table);
    {
        LargeBlocksRefused refused(kMemoBytes / 2);
        EXPECT_THAT(Message([&] { table.FieldByName("NOTE").AsString(); }),
                    StartsWith("Not enough memory to read a blob of database file '"));
        table.SetFilter("NOTE = 'y'");
        EXPECT_THAT(Message([&] { table.SetFiltered(true); }), StartsWith("Not enough memory"));
    }
    EXPECT_FALSE(table.Filtered());
    EXPECT_EQ(table.FieldByName("NOTE").AsString(), stored);
    table.Edit();
    table.FieldByName("NOTE").SetAsString(std::string(kMemoBytes, 'z'));
    {
        LargeBlocksRefused refused(kMemoBytes / 2);
        EXPECT_EQ(Message([&] { table.Post(); }), "Not enough memory to write table 'Plans'");
    }
    table.Cancel();
    table.Refresh();
    EXPECT_EQ(table.FieldByName("NOTE").AsString(), stored);
    EXPECT_EQ(table.FieldByName("NAME").AsString(), "big");
}

}  // namespace
}  // namespace chimdb::testing
