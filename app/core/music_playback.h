#pragma once

#include <functional>
#include <string>

#include "platform/media_player.h"

namespace chimora {

// The main window's operations on its one media player: ring, preview, measure.
class MusicPlayback {
  public:
    static constexpr const char* kPlayCaption = "播放>>";

    // Installs itself as the player's notify handler.
    explicit MusicPlayback(platform::MediaPlayer& player);

    platform::MediaPlayer& MediaPlayer1() { return player_; }

    // Starts the file at path from its beginning at volume percent, ending whatever plays.
    // Throws MediaError.
    void play(const std::string& path, int volume = 100);
    // Stops a sound that is playing; the device stays open.
    void stop();
    // Opens path on player and returns its length in whole seconds, halves to even.
    static long GetMusicLength(const std::string& path, platform::MediaPlayer& player);
    // End-of-play notice: a stopped player gives the play button its caption back.
    void MediaPlayer1Notify();

    // How the schedule view's play button gets its caption (the core has no widgets).
    void SetPlayCaptionHandler(std::function<void(const std::string&)> handler) {
        setPlayCaption_ = std::move(handler);
    }

  private:
    static void StopIfPlaying(platform::MediaPlayer& player);

    platform::MediaPlayer& player_;
    std::function<void(const std::string&)> setPlayCaption_;
};

// Milliseconds to whole seconds, rounding halves to the even neighbour.
long RoundMsToSeconds(long ms);

}  // namespace chimora
