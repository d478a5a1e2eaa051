#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "platform/media_player.h"

struct _Mix_Music;

namespace chimora::platform {

// How the player drives the audio device.
struct SdlDeviceSettings {
    // Frames per device buffer: the sound of a play reaches the sound server about one
    // buffer after the call, so a small buffer brings a bell close to its second.
    int bufferFrames = 512;
    // Whether Prepare does its work; off, every file is opened only when it is due.
    bool prepareAhead = true;
};

// The media player on SDL2_mixer. The end-of-play notice comes from SDL's audio thread
// and is handed to the thread that created the player (which must run a Qt event loop);
// program code is never called from the audio thread.
//
// The player owns the audio device, which SDL keeps once per process: there is one player
// at a time. The device is opened when a file is, tried again at every open while it
// fails (the sound server may start after the program), and opened afresh when it was
// lost (the sound server restarted): a file that is open stays open for the program across
// such a loss and is loaded again on the new device at its next play.
class SdlMediaPlayer : public MediaPlayer {
  public:
    explicit SdlMediaPlayer(SdlDeviceSettings settings = {});
    ~SdlMediaPlayer() override;
    SdlMediaPlayer(const SdlMediaPlayer&) = delete;
    SdlMediaPlayer& operator=(const SdlMediaPlayer&) = delete;

    void SetFileName(const std::string& path) override { fileName_ = path; }
    const std::string& FileName() const override { return fileName_; }
    void Open() override;
    void Close() override;
    bool IsOpen() const override { return !openedPath_.empty(); }
    void Play() override;
    void Stop() override;
    PlayerMode Mode() const override;
    long LengthMs() const override;
    void SetNotifyHandler(std::function<void()> handler) override { notify_ = std::move(handler); }
    void Prepare(const std::string& path) override;
    std::string DeviceError() const override { return deviceError_; }

    // The audio driver SDL chose for the open device ("pulseaudio", "alsa"…); empty when closed.
    std::string DriverName() const;

  private:
    static void OnMusicFinished();
    void RequireDevice() const;
    // Opens the audio device unless it is open and still there; false with DeviceError set.
    bool EnsureDevice();
    void CloseDevice();
    // True when SDL reported the loss of an output device since the last look.
    static bool OutputDeviceLost();
    // The open file's decoder on the current device, loading it again after a device loss.
    bool EnsureMusic();
    _Mix_Music* TakePrepared(const std::string& nativePath);
    void FreePrepared();

    SdlDeviceSettings settings_;
    bool deviceOpen_ = false;
    std::string deviceError_;
    std::string fileName_;
    std::string openedPath_;  // native path of the open file; empty when none is open
    _Mix_Music* music_ = nullptr;
    std::string preparedPath_;
    _Mix_Music* prepared_ = nullptr;
    std::function<void()> notify_;
    QObject receiver_;  // lives on the creating thread; notices are queued to it
};

}  // namespace chimora::platform
