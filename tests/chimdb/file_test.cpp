#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "chimdb/database_error.h"
#include "chimdb/fault_injecting_file.h"
#include "chimdb/memory_file.h"
#include "file/disk_file.h"

namespace chimdb {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::string Read(File& file, std::int64_t offset, std::size_t size) {
    std::string out(size, '\0');
    std::size_t n =
        file.ReadAt(offset, std::span(reinterpret_cast<std::uint8_t*>(out.data()), size));
    out.resize(n);
    return out;
}

class DiskFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("chimdb_file_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string PathOf(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(DiskFileTest, MissingFileCannotBeOpened) {
    std::string path = PathOf("missing.db");
    try {
        DiskFile file(path, DiskFile::Access::ReadWrite);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
    }
}

TEST_F(DiskFileTest, WritesAtOffsetsAndReadsShortAtTheEnd) {
    std::string path = PathOf("a.db");
    {
        DiskFile file = DiskFile::CreateNew(path);
        file.WriteAt(4, Bytes("tail"));
        file.WriteAt(0, Bytes("head"));
        file.Sync();
        EXPECT_EQ(file.Size(), 8);
    }
    DiskFile file(path, DiskFile::Access::ReadOnly);
    EXPECT_TRUE(file.IsReadOnly());
    EXPECT_EQ(Read(file, 0, 8), "headtail");
    EXPECT_EQ(Read(file, 6, 10), "il");
    EXPECT_EQ(Read(file, 100, 4), "");
    std::array<std::uint8_t, 4> buf{};
    EXPECT_THROW(file.ReadExactly(6, buf), DatabaseError);
    EXPECT_THROW(file.ReadExactly(-1, buf), DatabaseError);
    EXPECT_THROW(file.WriteAt(0, Bytes("x")), DatabaseError);
}

TEST_F(DiskFileTest, CreateNewRefusesAnExistingFile) {
    std::string path = PathOf("exists.db");
    std::ofstream(path) << "keep";
    try {
        DiskFile::CreateNew(path);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "Database file '" + path + "' already exists");
    }
    EXPECT_EQ(fs::file_size(path), 4u);
}

TEST(MemoryFileTest, GrowsWithZerosAndReadsShortPastTheEnd) {
    MemoryFile file;
    file.WriteAt(3, Bytes("ab"));
    EXPECT_EQ(file.Image(), (std::vector<std::uint8_t>{0, 0, 0, 'a', 'b'}));
    EXPECT_EQ(Read(file, 4, 10), "b");
    EXPECT_EQ(Read(file, 9, 1), "");
    EXPECT_THROW(file.WriteAt(-2, Bytes("x")), DatabaseError);
}

TEST(FaultInjectingFileTest, WritesAfterTheCutAreSilentlyLost) {
    MemoryFile inner(std::vector<std::uint8_t>(6, '.'));
    FaultInjectingFile file(inner);
    file.StopAfterWrites(2);
    file.WriteAt(0, Bytes("a"));
    file.WriteAt(1, Bytes("b"));
    file.WriteAt(2, Bytes("c"));  // lost
    file.Sync();
    file.WriteAt(3, Bytes("d"));  // lost
    EXPECT_EQ(std::string(inner.Image().begin(), inner.Image().end()), "ab....");
    EXPECT_EQ(file.WriteCount(), 4);
    EXPECT_EQ(file.LostWrites(), 2);
}

TEST(FaultInjectingFileTest, TheFirstLostWriteCanBeTorn) {
    MemoryFile inner(std::vector<std::uint8_t>(6, '.'));
    FaultInjectingFile file(inner);
    file.StopAfterWrites(0, 2);
    file.WriteAt(0, Bytes("wxyz"));
    file.WriteAt(4, Bytes("zz"));
    EXPECT_EQ(std::string(inner.Image().begin(), inner.Image().end()), "wx....");
}

TEST(FaultInjectingFileTest, FailsTheChosenReadAndWrite) {
    MemoryFile inner(Bytes("data"));
    FaultInjectingFile file(inner);
    file.FailWrite(2);
    file.FailRead(1);
    EXPECT_THROW(Read(file, 0, 4), DatabaseError);
    EXPECT_EQ(Read(file, 0, 4), "data");
    file.WriteAt(0, Bytes("D"));
    EXPECT_THROW(file.WriteAt(1, Bytes("A")), DatabaseError);
    file.WriteAt(2, Bytes("T"));
    EXPECT_EQ(std::string(inner.Image().begin(), inner.Image().end()), "DaTa");
    EXPECT_EQ(file.ReadCount(), 2);
    EXPECT_EQ(file.WriteCount(), 3);
}

}  // namespace
}  // namespace chimdb
