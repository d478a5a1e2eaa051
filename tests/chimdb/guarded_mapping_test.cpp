// The shared mapping that the change stamps are read from: it sees other openers' writes at
// once, survives the file being cut shorter under it, and leaves every other bus error as
// fatal as it was.
#include "file/guarded_mapping.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <vector>

namespace chimdb::testing {
namespace {

class GuardedMappingTest : public ::testing::Test {
  protected:
    GuardedMappingTest()
        : path_(std::filesystem::temp_directory_path() /
                ("chimdb_mapping_" + std::to_string(::getpid()))) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        Fill(3 * kPage, 0x11);
    }
    ~GuardedMappingTest() override {
        ::close(fd_);
        std::filesystem::remove(path_);
    }

    void Fill(std::size_t size, std::uint8_t value) {
        std::vector<std::uint8_t> bytes(size, value);
        ASSERT_EQ(::pwrite(fd_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(size));
    }

    static constexpr std::size_t kPage = 4096;
    std::filesystem::path path_;
    int fd_ = -1;
};

TEST_F(GuardedMappingTest, SeesWritesAtOnceAndRefusesWhatLiesOutside) {
    GuardedMapping mapping;
    ASSERT_TRUE(mapping.Map(fd_, 8 * kPage));
    std::uint8_t byte = 0;
    ASSERT_TRUE(mapping.Copy(kPage + 5, std::span(&byte, 1)));
    EXPECT_EQ(byte, 0x11);

    const std::uint8_t changed = 0x22;
    ASSERT_EQ(::pwrite(fd_, &changed, 1, kPage + 5), 1);
    ASSERT_TRUE(mapping.Copy(kPage + 5, std::span(&byte, 1)));
    EXPECT_EQ(byte, 0x22);

    std::uint8_t two[2];
    EXPECT_FALSE(mapping.Copy(8 * kPage - 1, two));  // past the mapping
    EXPECT_FALSE(mapping.Copy(-1, std::span(&byte, 1)));
    EXPECT_FALSE(mapping.Copy(5 * kPage, std::span(&byte, 1)));  // mapped, past the file
}

TEST_F(GuardedMappingTest, AFileCutShorterIsAFailedCopyAndGrowingBackHeals) {
    GuardedMapping mapping;
    ASSERT_TRUE(mapping.Map(fd_, 8 * kPage));
    std::uint8_t byte = 0;
    ASSERT_TRUE(mapping.Copy(2 * kPage, std::span(&byte, 1)));

    // A copy over the file: for a moment it is empty.
    ASSERT_EQ(::ftruncate(fd_, 0), 0);
    EXPECT_FALSE(mapping.Copy(2 * kPage, std::span(&byte, 1)));
    EXPECT_FALSE(mapping.Copy(0, std::span(&byte, 1)));

    Fill(3 * kPage, 0x33);
    ASSERT_TRUE(mapping.Copy(2 * kPage, std::span(&byte, 1)));
    EXPECT_EQ(byte, 0x33);
}

TEST_F(GuardedMappingTest, ABusErrorOutsideACopyStillEndsTheProgram) {
    GuardedMapping mapping;
    ASSERT_TRUE(mapping.Map(fd_, 8 * kPage));  // installs the handler
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        void* raw = ::mmap(nullptr, 3 * kPage, PROT_READ, MAP_SHARED, fd_, 0);
        if (raw == MAP_FAILED || ::ftruncate(fd_, 0) != 0)
            ::_exit(2);
        const volatile std::uint8_t* bytes = static_cast<const std::uint8_t*>(raw);
        static_cast<void>(bytes[2 * kPage]);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps a bus-error handler of its own, which ours hands the signal on
    // to; it reports the fault and ends the program as its options say (abort or exit 1).
    EXPECT_FALSE(WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 2))
        << "exit " << WEXITSTATUS(status);
#else
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGBUS);
#endif
}

}  // namespace
}  // namespace chimdb::testing
