#include <gtest/gtest.h>

#include "app/core/music_playback.h"
#include "platform/fake/fake_media_player.h"

namespace chimora {
namespace {

using platform::FakeMediaPlayer;
using platform::MediaError;

class PlaybackTest : public ::testing::Test {
  protected:
    PlaybackTest() {
        playback.SetPlayCaptionHandler([this](const std::string& c) { captions.push_back(c); });
    }
    FakeMediaPlayer player;
    MusicPlayback playback{player};
    std::vector<std::string> captions;
};

TEST_F(PlaybackTest, PlayStopsTheCurrentSoundAndOpensTheNew) {
    playback.play("/m/test.wav");
    playback.play("/m/ring.wav");
    EXPECT_EQ(player.calls,
              (std::vector<std::string>{"open /m/test.wav", "play /m/test.wav", "stop", "close",
                                        "open /m/ring.wav", "play /m/ring.wav"}));
}

TEST_F(PlaybackTest, StopWithNothingPlayingDoesNothing) {
    playback.stop();
    playback.play("/m/a.wav");
    player.FinishPlay();
    playback.stop();
    EXPECT_EQ(player.calls, (std::vector<std::string>{"open /m/a.wav", "play /m/a.wav"}));
}

TEST_F(PlaybackTest, EndOfPlayRestoresThePlayCaptionOnlyWhenStopped) {
    playback.play("/m/a.wav");
    playback.MediaPlayer1Notify();  // a superseded play's notice while the new one plays
    EXPECT_TRUE(captions.empty());
    player.FinishPlay();
    EXPECT_EQ(captions, std::vector<std::string>{"播放>>"});
}

TEST_F(PlaybackTest, OpenFailureCarriesTheBackendText) {
    player.FailOpen("/m/bad.mid", "The specified device is not open or is not recognized");
    try {
        playback.play("/m/bad.mid");
        FAIL();
    } catch (const MediaError& error) {
        EXPECT_STREQ(error.what(), "The specified device is not open or is not recognized");
    }
}

TEST_F(PlaybackTest, AudioDeviceWarningLastsFromTheFailedRingToTheFirstThatOpensIt) {
    SilenceWarnings warnings;
    std::vector<std::string> changes;
    warnings.SetListener([&](SilenceCause cause, bool active, const std::string& text) {
        EXPECT_EQ(cause, SilenceCause::AudioUnavailable);
        changes.push_back((active ? "+" : "-") + text);
    });
    playback.SetSilenceWarnings(&warnings);
    playback.play("/m/a.wav");  // a working device raises nothing
    const std::string error = "ALSA: Couldn't open audio device: No such file or directory";
    player.SetDeviceError(error);
    player.FailOpen("/m/b.wav", error);
    EXPECT_THROW(playback.play("/m/b.wav"), MediaError);
    playback.Prepare("/m/b.wav");  // the same error again is no new warning
    EXPECT_EQ(changes, std::vector<std::string>{"+音频设备不可用：" + error});

    player.SetDeviceError("");
    playback.Prepare("/m/a.wav");
    EXPECT_FALSE(warnings.IsActive(SilenceCause::AudioUnavailable));
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_EQ(player.prepared, (std::vector<std::string>{"/m/b.wav", "/m/a.wav"}));
}

TEST_F(PlaybackTest, MusicLengthRoundsHalvesToEvenAndLeavesTheFileOpen) {
    player.SetLength("/m/a.wav", 2500);
    player.SetLength("/m/b.wav", 3500);
    player.SetLength("/m/c.wav", 2501);
    player.SetLength("/m/d.wav", 1500);
    EXPECT_EQ(MusicPlayback::GetMusicLength("/m/a.wav", player), 2);
    EXPECT_EQ(MusicPlayback::GetMusicLength("/m/b.wav", player), 4);
    EXPECT_EQ(MusicPlayback::GetMusicLength("/m/c.wav", player), 3);
    EXPECT_EQ(MusicPlayback::GetMusicLength("/m/d.wav", player), 2);
    EXPECT_TRUE(player.IsOpen());
    EXPECT_EQ(player.calls.back(), "open /m/d.wav");
}

TEST_F(PlaybackTest, MeasuringWhileARingPlaysStopsTheRing) {
    playback.play("/m/ring.wav");
    MusicPlayback::GetMusicLength("/m/other.wav", player);
    EXPECT_EQ(player.calls[2], "stop");
    EXPECT_EQ(player.Mode(), platform::PlayerMode::Stopped);
}

TEST_F(PlaybackTest, DeviceOperationsWithoutDeviceRaise) {
    EXPECT_THROW(player.Play(), MediaError);
    EXPECT_THROW(player.Stop(), MediaError);
    EXPECT_THROW(player.LengthMs(), MediaError);
}

}  // namespace
}  // namespace chimora
