#include "platform/linux/sdl_media_player.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <fcntl.h>
#include <unistd.h>

#include <QMetaObject>
#include <cmath>
#include <cstdint>
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

constexpr int kSampleRate = 44100;
constexpr std::uint32_t kAudioSubsystems = SDL_INIT_AUDIO | SDL_INIT_EVENTS;
// Enough of a file's start to cover its headers and the first seconds of sound.
constexpr off_t kReadAheadBytes = 1 << 20;

void LoadDecoderLibrariesOnce() {
    static const bool loaded = [] {
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_MID);
        return true;
    }();
    static_cast<void>(loaded);
}

// Asks the kernel to read the start of the file now, so that the first decode on the audio
// thread finds it in memory even when the disk has spun down.
void ReadAhead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, kReadAheadBytes, POSIX_FADV_WILLNEED);
    ::close(fd);
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

SdlMediaPlayer::SdlMediaPlayer(SdlDeviceSettings settings) : settings_(settings) {
    idleTimer_.setSingleShot(true);
    QObject::connect(&idleTimer_, &QTimer::timeout, [this] { CloseIdleDevice(); });
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
    CloseDevice();
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

bool SdlMediaPlayer::OutputDeviceLost() {
    bool lost = false;
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED) >
           0) {
        if (event.type == SDL_AUDIODEVICEREMOVED && event.adevice.iscapture == 0)
            lost = true;
    }
    return lost;
}

bool SdlMediaPlayer::EnsureDevice() const {
    KeepDeviceAwake();
    if (deviceOpen_ && !OutputDeviceLost())
        return true;
    // A lost device is closed and opened again; SDL then also picks its driver afresh, so
    // that a sound server that came up after the program is found.
    CloseDevice();
    if (SDL_InitSubSystem(kAudioSubsystems) != 0) {
        deviceError_ = SDL_GetError();
        return false;
    }
    LoadDecoderLibrariesOnce();
    if (Mix_OpenAudio(kSampleRate, MIX_DEFAULT_FORMAT, 2, settings_.bufferFrames) != 0) {
        deviceError_ = Mix_GetError();
        SDL_QuitSubSystem(kAudioSubsystems);
        return false;
    }
    Mix_HookMusicFinished(&SdlMediaPlayer::OnMusicFinished);
    deviceOpen_ = true;
    deviceError_.clear();
    OutputDeviceLost();  // the opening itself announces the devices it found
    return true;
}

void SdlMediaPlayer::CloseDevice() const {
    if (!deviceOpen_)
        return;
    if (music_ != nullptr) {
        Mix_HaltMusic();
        Mix_FreeMusic(music_);
        music_ = nullptr;
    }
    FreePrepared();
    Mix_CloseAudio();
    SDL_QuitSubSystem(kAudioSubsystems);
    deviceOpen_ = false;
}

void SdlMediaPlayer::KeepDeviceAwake() const {
    if (settings_.idleCloseMs > 0)
        idleTimer_.start(settings_.idleCloseMs);
}

void SdlMediaPlayer::CloseIdleDevice() {
    if (Mode() == PlayerMode::Playing) {
        KeepDeviceAwake();
        return;
    }
    CloseDevice();
}

std::string SdlMediaPlayer::DriverName() const {
    const char* name = deviceOpen_ ? SDL_GetCurrentAudioDriver() : nullptr;
    return name != nullptr ? name : "";
}

void SdlMediaPlayer::Open() {
    Close();
    if (!EnsureDevice())
        throw MediaError(deviceError_);
    const std::string path = NativePath(fileName_);
    music_ = TakePrepared(path);
    if (music_ == nullptr)
        music_ = Mix_LoadMUS(path.c_str());
    if (music_ == nullptr)
        throw MediaError(Mix_GetError());
    openedPath_ = path;
}

void SdlMediaPlayer::Close() {
    if (music_ != nullptr) {
        Mix_HaltMusic();
        Mix_FreeMusic(music_);
        music_ = nullptr;
    }
    openedPath_.clear();
}

bool SdlMediaPlayer::EnsureMusic() const {
    if (!EnsureDevice())
        return false;
    if (music_ == nullptr)
        music_ = Mix_LoadMUS(openedPath_.c_str());
    return music_ != nullptr;
}

void SdlMediaPlayer::Play() {
    RequireDevice();
    // Failures are kept by SDL (and the device error here) and not reported, as with MCI.
    if (EnsureMusic())
        Mix_PlayMusic(music_, 0);
}

void SdlMediaPlayer::Stop() {
    RequireDevice();
    if (music_ != nullptr)
        Mix_HaltMusic();
}

PlayerMode SdlMediaPlayer::Mode() const {
    if (!IsOpen())
        return PlayerMode::NotReady;
    return music_ != nullptr && Mix_PlayingMusic() ? PlayerMode::Playing : PlayerMode::Stopped;
}

long SdlMediaPlayer::LengthMs() const {
    RequireDevice();
    if (!EnsureMusic())
        throw MediaError(deviceError_.empty() ? Mix_GetError() : deviceError_);
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

void SdlMediaPlayer::Prepare(const std::string& path) {
    if (!settings_.prepareAhead || !EnsureDevice())
        return;
    const std::string native = NativePath(path);
    if (prepared_ != nullptr && preparedPath_ == native)
        return;
    FreePrepared();
    // Loading sets up the decoder apart from the music that plays: SDL_mixer mixes only the
    // music that was started.
    prepared_ = Mix_LoadMUS(native.c_str());
    if (prepared_ == nullptr)
        return;
    preparedPath_ = native;
    ReadAhead(native);
}

_Mix_Music* SdlMediaPlayer::TakePrepared(const std::string& nativePath) {
    if (prepared_ == nullptr || preparedPath_ != nativePath)
        return nullptr;
    _Mix_Music* music = prepared_;
    prepared_ = nullptr;
    preparedPath_.clear();
    return music;
}

void SdlMediaPlayer::FreePrepared() const {
    if (prepared_ != nullptr)
        Mix_FreeMusic(prepared_);
    prepared_ = nullptr;
    preparedPath_.clear();
}

void SdlMediaPlayer::RequireDevice() const {
    if (!IsOpen())
        throw MediaError(kNoDeviceOpen);
}

}  // namespace chimora::platform
