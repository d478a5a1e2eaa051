// The volume of the SDL player is the music channel's, which SDL keeps for the whole
// process: every play must set it, or a quiet ring would leave the next one quiet.
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>

#include "platform/linux/sdl_media_player.h"
#include "tests/platform/wav_writer.h"

namespace chimora::platform {
namespace {

class SdlVolumeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        qputenv("SDL_AUDIODRIVER", "dummy");
        static int argc = 1;
        static char name[] = "platform_tests";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            new QCoreApplication(argc, argv);
    }
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("chimora_volume_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        testing::WriteToneWav((folder / "tone.wav").string(), 2000);
        player.SetFileName((folder / "tone.wav").string());
    }
    void TearDown() override {
        player.Close();
        std::filesystem::remove_all(folder);
    }

    std::filesystem::path folder;
    SdlMediaPlayer player;
};

TEST_F(SdlVolumeTest, EveryPlaySetsTheMusicVolumeAndAChangeReachesTheRunningPlay) {
    player.SetVolume(50);
    player.Open();
    Mix_VolumeMusic(MIX_MAX_VOLUME / 4);  // what an earlier play may have left
    player.Play();
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME / 2);
    player.SetVolume(100);
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);
    player.SetVolume(250);  // out of range: the nearest end
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);
    player.SetVolume(-3);
    EXPECT_EQ(Mix_VolumeMusic(-1), 0);
    player.Stop();
}

}  // namespace
}  // namespace chimora::platform
