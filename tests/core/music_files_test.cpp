#include "app/core/music_files.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_file_system.h"

namespace chimora::testing {
namespace {

using Strings = std::vector<std::string>;

TEST(MusicFilesTest, TopLevelFilesFirstThenOneLevelOfSubFoldersInFoundOrder) {
    platform::FakeFileSystem files;
    const std::string music = "/p/music/";
    files.AddFolder(music, "tones");
    files.AddFile(music, "z.wav");
    files.AddFolder(music, "alarms");
    files.AddFile(music, "a.mp3");
    files.AddFile(music + "tones\\", "rise.wav");
    files.AddFolder(music + "tones\\", "deeper");
    files.AddFile(music + "tones\\deeper\\", "never.wav");
    files.AddFile(music + "alarms\\", "fire.mid");
    EXPECT_EQ(MusicFiles::ListMusicFiles(files, music + "*.*"),
              (Strings{"z.wav", "a.mp3", "tones\\rise.wav", "alarms\\fire.mid"}));
}

TEST(MusicFilesTest, MissingFolderListsNothingAndMasksFilter) {
    platform::FakeFileSystem files;
    EXPECT_TRUE(MusicFiles::ListMusicFiles(files, "/nowhere/*.*").empty());
    EXPECT_TRUE(MusicFiles::MatchesMask("noext", "*.*"));
    EXPECT_TRUE(MusicFiles::MatchesMask("Song.MP3", "*.mp3"));
    EXPECT_FALSE(MusicFiles::MatchesMask("song.wav", "*.mp3"));
    EXPECT_TRUE(MusicFiles::MatchesMask("a1.wav", "a?.wav"));
}

}  // namespace
}  // namespace chimora::testing
