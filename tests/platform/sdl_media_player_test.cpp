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

}  // namespace
}  // namespace chimora::platform
