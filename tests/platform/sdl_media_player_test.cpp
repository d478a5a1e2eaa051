#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <filesystem>

#include "platform/linux/sdl_media_player.h"
#include "tests/platform/wav_writer.h"

namespace chimora::platform {
namespace {

// A real SDL2_mixer player on the dummy audio driver, which plays in real time.
class SdlMediaPlayerTest : public ::testing::Test {
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
                 ("chimora_player_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder / "sub");
        testing::WriteToneWav((folder / "short.wav").string(), 300);
        testing::WriteToneWav((folder / "sub" / "long.wav").string(), 2500);
        player.SetNotifyHandler([this] {
            ++notices;
            noticeThread = QThread::currentThread();
        });
    }
    void TearDown() override {
        player.Close();
        std::filesystem::remove_all(folder);
    }

    // Runs the event loop until a notice arrives or the time is up.
    bool WaitForNotice(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        const int before = notices;
        while (notices == before && timer.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return notices > before;
    }

    std::filesystem::path folder;
    SdlMediaPlayer player;
    int notices = 0;
    QThread* noticeThread = nullptr;
};

TEST_F(SdlMediaPlayerTest, MeasuresLengthOfAFileInASubFolderGivenWithBackslash) {
    player.SetFileName(folder.string() + "/sub\\long.wav");
    player.Open();
    EXPECT_NEAR(player.LengthMs(), 2500, 5);
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
}

TEST_F(SdlMediaPlayerTest, EndOfPlayNoticeArrivesOnTheProgramThread) {
    player.SetFileName((folder / "short.wav").string());
    player.Open();
    player.Play();
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
    ASSERT_TRUE(WaitForNotice(10000));
    EXPECT_EQ(noticeThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    EXPECT_TRUE(player.IsOpen());  // the device stays open after the end
}

TEST_F(SdlMediaPlayerTest, StopEndsThePlayAndReplayStartsAgain) {
    player.SetFileName((folder / "sub" / "long.wav").string());
    player.Open();
    player.Play();
    player.Stop();
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    EXPECT_TRUE(WaitForNotice(2000));
    player.Open();
    player.Play();
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
}

TEST_F(SdlMediaPlayerTest, ErrorsWithoutDeviceAndForUnreadableFiles) {
    EXPECT_THROW(player.Play(), MediaError);
    EXPECT_THROW(player.Stop(), MediaError);
    EXPECT_THROW(player.LengthMs(), MediaError);
    EXPECT_EQ(player.Mode(), PlayerMode::NotReady);
    player.SetFileName((folder / "missing.wav").string());
    try {
        player.Open();
        FAIL();
    } catch (const MediaError& error) {
        EXPECT_STRNE(error.what(), "");
    }
    EXPECT_FALSE(player.IsOpen());
}

TEST_F(SdlMediaPlayerTest, ADeviceThatFailedIsTriedAgainAtTheNextOpen) {
    // No driver by that name: the device cannot open, as before a sound server is up.
    qputenv("SDL_AUDIODRIVER", "chimora_no_such_driver");
    player.SetFileName((folder / "short.wav").string());
    EXPECT_THROW(player.Open(), MediaError);
    EXPECT_FALSE(player.IsOpen());
    const std::string error = player.DeviceError();
    EXPECT_NE(error, "");
    player.Prepare((folder / "short.wav").string());  // tries, fails, throws nothing
    EXPECT_EQ(player.DeviceError(), error);

    qputenv("SDL_AUDIODRIVER", "dummy");
    player.Open();
    EXPECT_EQ(player.DeviceError(), "");
    EXPECT_EQ(player.DriverName(), "dummy");
    player.Play();
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
    EXPECT_TRUE(WaitForNotice(10000));
}

TEST_F(SdlMediaPlayerTest, PreparedFileOpensFromWhatWasReadAheadAndLeavesThePlayAlone) {
    const std::string bell = (folder / "short.wav").string();
    player.SetFileName((folder / "sub" / "long.wav").string());
    player.Open();
    player.Play();
    player.Prepare(bell);
    player.Prepare(bell);  // a second tick in the same second changes nothing
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
    EXPECT_EQ(player.FileName(), (folder / "sub" / "long.wav").string());
    EXPECT_EQ(notices, 0);

    // Measuring another file meanwhile keeps the preparation.
    player.SetFileName((folder / "sub\\long.wav").string());
    player.Open();
    EXPECT_NEAR(player.LengthMs(), 2500, 5);

    // The prepared file was opened before it went away, so its open is the prepared one.
    std::filesystem::remove(bell);
    player.SetFileName(bell);
    player.Open();
    EXPECT_NEAR(player.LengthMs(), 300, 5);
    player.Play();
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
    EXPECT_TRUE(WaitForNotice(10000));

    // Taken once: the next open reads the file again, which is gone now.
    player.SetFileName(bell);
    EXPECT_THROW(player.Open(), MediaError);
}

TEST_F(SdlMediaPlayerTest, SilentDeviceClosesAndTheOpenFileStillMeasuresAndPlays) {
    SdlMediaPlayer quick({256, true, 200});
    quick.SetNotifyHandler([this] { ++notices; });
    quick.SetFileName((folder / "short.wav").string());
    quick.Open();
    quick.Play();
    ASSERT_TRUE(WaitForNotice(10000));
    EXPECT_EQ(quick.DriverName(), "dummy");
    QElapsedTimer timer;
    timer.start();
    while (!quick.DriverName().empty() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(quick.DriverName(), "");  // the device is closed
    EXPECT_TRUE(quick.IsOpen());        // the file is not
    EXPECT_EQ(quick.Mode(), PlayerMode::Stopped);
    EXPECT_NEAR(quick.LengthMs(), 300, 5);
    quick.Play();
    EXPECT_EQ(quick.Mode(), PlayerMode::Playing);
    EXPECT_TRUE(WaitForNotice(10000));
}

TEST_F(SdlMediaPlayerTest, OldSettingsPrepareNothing) {
    SdlMediaPlayer old({2048, false});
    const std::string bell = (folder / "short.wav").string();
    old.Prepare(bell);
    std::filesystem::remove(bell);
    old.SetFileName(bell);
    EXPECT_THROW(old.Open(), MediaError);
}

}  // namespace
}  // namespace chimora::platform
