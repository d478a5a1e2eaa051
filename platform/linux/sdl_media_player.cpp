#include "platform/linux/sdl_media_player.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "platform/linux/mp3_duration.h"
#include "platform/linux/native_path.h"

namespace chimora::platform {

namespace {

std::mutex gHookMutex;
SdlMediaPlayer* gPlayer = nullptr;  // the one player whose notices the hook delivers
QObject* gReceiver = nullptr;

// Opens the audio device once per process; the error text of a failure is kept.
const std::string& OpenAudioOnce() {
    static const std::string error = [] {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return std::string(SDL_GetError());
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_MID);
        if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) != 0)
            return std::string(Mix_GetError());
        return std::string();
    }();
    return error;
}

long Mp3FileDurationMs(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const std::optional<long> ms = Mp3DurationMs(bytes);
    if (!ms)
        throw MediaError("No audio frames found in " + path);
    return *ms;
}

}  // namespace

SdlMediaPlayer::SdlMediaPlayer() {
    std::lock_guard lock(gHookMutex);
    gPlayer = this;
    gReceiver = &receiver_;
}

SdlMediaPlayer::~SdlMediaPlayer() {
    {
        std::lock_guard lock(gHookMutex);
        if (gPlayer == this) {
            gPlayer = nullptr;
            gReceiver = nullptr;
        }
    }
    Close();
}

void SdlMediaPlayer::OnMusicFinished() {
    // SDL's audio thread (or a halt on ours): only queue the notice.
    std::lock_guard lock(gHookMutex);
    if (gPlayer == nullptr)
        return;
    SdlMediaPlayer* player = gPlayer;
    QMetaObject::invokeMethod(
        gReceiver,
        [player] {
            if (player->notify_)
                player->notify_();
        },
        Qt::QueuedConnection);
}

void SdlMediaPlayer::Open() {
    Close();
    if (const std::string& error = OpenAudioOnce(); !error.empty())
        throw MediaError(error);
    const std::string path = NativePath(fileName_);
    music_ = Mix_LoadMUS(path.c_str());
    if (music_ == nullptr)
        throw MediaError(Mix_GetError());
    openedPath_ = path;
    Mix_HookMusicFinished(&SdlMediaPlayer::OnMusicFinished);
}

void SdlMediaPlayer::Close() {
    if (music_ == nullptr)
        return;
    Mix_HaltMusic();
    Mix_FreeMusic(music_);
    music_ = nullptr;
}

void SdlMediaPlayer::Play() {
    RequireDevice();
    // The music channel's volume is SDL's global one, so every play sets it afresh.
    Mix_VolumeMusic(volume_ * MIX_MAX_VOLUME / 100);
    Mix_PlayMusic(music_, 0);  // a failure is kept by SDL and not reported, as with MCI
}

void SdlMediaPlayer::SetVolume(int percent) {
    volume_ = std::clamp(percent, 0, 100);
    if (music_ != nullptr)
        Mix_VolumeMusic(volume_ * MIX_MAX_VOLUME / 100);
}

void SdlMediaPlayer::Stop() {
    RequireDevice();
    Mix_HaltMusic();
}

PlayerMode SdlMediaPlayer::Mode() const {
    if (music_ == nullptr)
        return PlayerMode::NotReady;
    return Mix_PlayingMusic() ? PlayerMode::Playing : PlayerMode::Stopped;
}

long SdlMediaPlayer::LengthMs() const {
    RequireDevice();
    switch (Mix_GetMusicType(music_)) {
        case MUS_MID:
            throw MediaError("The length of a MIDI file cannot be measured: " + openedPath_);
        case MUS_MP3:
            // The decoder guesses VBR files without a Xing header wrong; walk the frames.
            return Mp3FileDurationMs(openedPath_);
        default:
            break;
    }
    const double seconds = Mix_MusicDuration(music_);
    if (seconds < 0)
        throw MediaError("Cannot measure the length of " + openedPath_);
    return std::lround(seconds * 1000);
}

void SdlMediaPlayer::RequireDevice() const {
    if (music_ == nullptr)
        throw MediaError(kNoDeviceOpen);
}

}  // namespace chimora::platform
