#include "app/core/music_playback.h"

namespace chimora {

using platform::PlayerMode;

MusicPlayback::MusicPlayback(platform::MediaPlayer& player) : player_(player) {
    player_.SetNotifyHandler([this] { MediaPlayer1Notify(); });
}

void MusicPlayback::StopIfPlaying(platform::MediaPlayer& player) {
    if (player.IsOpen() && player.Mode() == PlayerMode::Playing) {
        player.Stop();
    }
}

void MusicPlayback::play(const std::string& path) {
    StopIfPlaying(player_);
    player_.SetFileName(path);
    try {
        player_.Open();
    } catch (...) {
        ShowDeviceState();
        throw;
    }
    player_.Play();
    ShowDeviceState();
}

void MusicPlayback::Prepare(const std::string& path) {
    player_.Prepare(path);
    ShowDeviceState();
}

void MusicPlayback::ShowDeviceState() {
    if (warnings_ == nullptr) {
        return;
    }
    const std::string error = player_.DeviceError();
    if (error.empty()) {
        warnings_->Clear(SilenceCause::AudioUnavailable);
    } else {
        warnings_->Raise(SilenceCause::AudioUnavailable, kAudioUnavailableText + error);
    }
}

void MusicPlayback::stop() {
    if (player_.Mode() == PlayerMode::Playing) {
        player_.Stop();
    }
}

long MusicPlayback::GetMusicLength(const std::string& path, platform::MediaPlayer& player) {
    StopIfPlaying(player);
    player.SetFileName(path);
    player.Open();
    return RoundMsToSeconds(player.LengthMs());
}

void MusicPlayback::MediaPlayer1Notify() {
    if (player_.Mode() == PlayerMode::Stopped && setPlayCaption_) {
        setPlayCaption_(kPlayCaption);
    }
}

long RoundMsToSeconds(long ms) {
    long seconds = ms / 1000;
    const long rest = ms % 1000;
    if (rest > 500 || (rest == 500 && seconds % 2 != 0)) {
        ++seconds;
    } else if (rest < -500 || (rest == -500 && seconds % 2 != 0)) {
        --seconds;
    }
    return seconds;
}

}  // namespace chimora
