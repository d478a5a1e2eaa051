// The program folder as the build leaves it: the executable's folder holds db.dll and the
// music/ folder with the sounds the installed schedule rings.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/core/schedule_loader.h"
#include "chimdb/chim_session_list.h"
#include "tests/core/engine_fixture.h"

namespace chimora::testing {
namespace {

namespace fs = std::filesystem;

fs::path ProgramFolderOfThisTest() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

std::uint32_t LittleEndian(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

struct WavInfo {
    bool pcmMono16 = false;
    std::uint32_t sampleRate = 0;
    double seconds = 0;
    int peak = 0;
};

// Reads the plain 44-byte header the generator writes, and the loudest sample.
WavInfo ReadWav(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    WavInfo info;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 ||
        bytes.compare(8, 8, "WAVEfmt ") != 0 || bytes.compare(36, 4, "data") != 0)
        return info;
    info.pcmMono16 = LittleEndian(bytes, 20, 2) == 1 && LittleEndian(bytes, 22, 2) == 1 &&
                     LittleEndian(bytes, 34, 2) == 16 &&
                     LittleEndian(bytes, 4, 4) + 8 == bytes.size() &&
                     LittleEndian(bytes, 40, 4) + 44 == bytes.size();
    info.sampleRate = LittleEndian(bytes, 24, 4);
    const std::size_t samples = (bytes.size() - 44) / 2;
    info.seconds = info.sampleRate ? static_cast<double>(samples) / info.sampleRate : 0;
    for (std::size_t i = 0; i < samples; ++i) {
        const auto sample = static_cast<std::int16_t>(LittleEndian(bytes, 44 + 2 * i, 2));
        info.peak = std::max(info.peak, std::abs(static_cast<int>(sample)));
    }
    return info;
}

// A stored RINGFILE holds '\' between folders.
fs::path MusicFile(const std::string& stored) {
    std::string relative = stored;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return ProgramFolderOfThisTest() / "music" / relative;
}

// Works on a copy of the database that the build makes and puts into a program folder
// without one: the program folder's own db.dll may already hold a school's schedule (the
// built program was run and edited), which the test must neither read as the installed
// state nor write to.
class InstalledTest : public EngineTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(ProgramFolderOfThisTest() / "db.dll"));
        fs::remove_all(copy);
        fs::create_directories(copy);
        fs::copy_file(CHIMORA_TEMPLATE_DB, copy / "db.dll");
    }
    void TearDown() override {
        loader.ChimTable1().Close();
        loader.ChimConfig().Close();
        chimdb::ChimSessionList::Instance().Shutdown();
        fs::remove_all(copy);
    }

    fs::path copy = fs::temp_directory_path() / ("chimora-installed-" + std::to_string(::getpid()));
    ScheduleLoader loader{state, engine, copy.string() + "/"};
};

TEST_F(InstalledTest, DatabaseHoldsTheSettingsAndOneActivePlan) {
    loader.LoadConfigData();
    EXPECT_EQ(loader.ChimConfig().RecordCount(), 3);
    EXPECT_EQ(state.SysConfig.AutoRun, "0");
    EXPECT_EQ(state.SysConfig.ShutDown, "0");
    EXPECT_EQ(state.SysConfig.ShutDownTime, "17:30:00");

    chimdb::ChimTable plans;
    ScheduleLoader::OpenTable(plans, loader.AppPath(), "FANGAN", "NAME");
    std::vector<std::string> active;
    for (plans.First(); !plans.Eof(); plans.Next()) {
        if (plans.FieldByName("ISACTIVE").AsString() == "1")
            active.push_back(plans.FieldByName("NAME").AsString());
    }
    plans.Close();
    EXPECT_EQ(active, std::vector<std::string>{"默认方案"});
    EXPECT_EQ(loader.GetActiveFangAn(), "默认方案");
}

TEST_F(InstalledTest, EveryEntryOfTheActivePlanRingsAnInstalledSound) {
    state.CurrFangAn = loader.GetActiveFangAn();
    loader.LoadAllDataToMem();
    ASSERT_GE(state.RingList.size(), 10u);
    for (const RingObj& ring : state.RingList) {
        EXPECT_TRUE(fs::is_regular_file(MusicFile(ring.RINGFILE)))
            << ring.RINGTIME << " " << ring.RINGFILE;
    }
    // The temporary day has an entry too, so the eighth tab is not empty.
    loader.LoadData(8);
    EXPECT_GE(loader.ChimTable1().RecordCount(), 1);
}

TEST(InstalledSoundsTest, GeneratedSoundsArePlayableShortAndNotSilent) {
    struct Expected {
        const char* file;
        double minSeconds;
        double maxSeconds;
    };
    for (const Expected& e :
         {Expected{"bell.wav", 5.0, 7.0}, Expected{"chime.wav", 3.0, 6.0},
          Expected{"beep.wav", 0.2, 1.0}, Expected{"tones\\rising.wav", 4.0, 6.0}}) {
        const fs::path path = MusicFile(e.file);
        ASSERT_TRUE(fs::exists(path)) << path;
        const WavInfo info = ReadWav(path);
        EXPECT_TRUE(info.pcmMono16) << e.file;
        EXPECT_EQ(info.sampleRate, 22050u) << e.file;
        EXPECT_GE(info.seconds, e.minSeconds) << e.file;
        EXPECT_LE(info.seconds, e.maxSeconds) << e.file;
        // Loud enough to be heard in a corridor, without clipping.
        EXPECT_GT(info.peak, 16000) << e.file;
        EXPECT_LT(info.peak, 32767) << e.file;
        EXPECT_LT(fs::file_size(path), 400u * 1024) << e.file;
    }
}

}  // namespace
}  // namespace chimora::testing
