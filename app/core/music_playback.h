#pragma once

#include <functional>
#include <string>

#include "app/core/silence_warnings.h"
#include "platform/media_player.h"

namespace chimora {

// The main window's operations on its one media player: ring, preview, measure.
class MusicPlayback {
  public:
    static constexpr const char* kPlayCaption = "播放>>";
    // The warning's text while the audio device cannot be opened; the device's error follows.
    static constexpr const char* kAudioUnavailableText = "音频设备不可用：";

    // Installs itself as the player's notify handler.
    explicit MusicPlayback(platform::MediaPlayer& player);

    platform::MediaPlayer& MediaPlayer1() { return player_; }

    // Where the audio device's state is shown: every play and preparation, which try the
    // device, raise the cause AudioUnavailable with the device's error, or end it.
    void SetSilenceWarnings(SilenceWarnings* warnings) { warnings_ = warnings; }

    // Starts the file at path from its beginning, ending whatever plays. Throws MediaError.
    void play(const std::string& path);
    // Gets the file at path ready for a play that comes due soon; what plays goes on.
    void Prepare(const std::string& path);
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
    void ShowDeviceState();

    platform::MediaPlayer& player_;
    std::function<void(const std::string&)> setPlayCaption_;
    SilenceWarnings* warnings_ = nullptr;
};

// Milliseconds to whole seconds, rounding halves to the even neighbour.
long RoundMsToSeconds(long ms);

}  // namespace chimora
