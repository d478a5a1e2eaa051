#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "platform/media_player.h"

struct _Mix_Music;

namespace chimora::platform {

// How the player drives the audio device.
struct SdlDeviceSettings {
    // Frames per device buffer: the sound of a play reaches the sound server about one
    // buffer after the call, so a small buffer brings a bell close to its second. 256 frames
    // (6 ms) keep a bell within 20 ms of its second on a busy machine, where 512 do not
    // (bench/ring_onset_bench.cpp); the cost is the device's wake-ups while it is silent.
    int bufferFrames = 256;
    // Whether Prepare does its work; off, every file is opened only when it is due.
    bool prepareAhead = true;
    // A device that has stayed silent this long is closed, and opened again by the next
    // Prepare or play: a small buffer keeps the sound server busy while the device is open,
    // which is worth it around a ring, not all day. 0 keeps the device open.
    int idleCloseMs = 30000;
};

// The media player on SDL2_mixer. The end-of-play notice comes from SDL's audio thread
// and is handed to the thread that created the player (which must run a Qt event loop);
// program code is never called from the audio thread.
//
// The player owns the audio device, which SDL keeps once per process: there is one player
// at a time. The device is opened when a file is, tried again at every open while it
// fails (the sound server may start after the program), and opened afresh when it was
// lost (the sound server restarted): a file that is open stays open for the program across
// such a loss and is loaded again on the new device at its next play. A device that stays
// silent is closed after a while in the same way.
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
    bool EnsureDevice() const;
    void CloseDevice() const;
    // True when SDL reported the loss of an output device since the last look.
    static bool OutputDeviceLost();
    // The open file's decoder on the current device, loading it again after the device was
    // closed or lost. The decoder is only a cache of the open file: const operations use it too.
    bool EnsureMusic() const;
    // The device has work: its idle time starts again.
    void KeepDeviceAwake() const;
    void CloseIdleDevice();
    _Mix_Music* TakePrepared(const std::string& nativePath);
    void FreePrepared() const;

    SdlDeviceSettings settings_;
    mutable bool deviceOpen_ = false;
    mutable std::string deviceError_;
    std::string fileName_;
    std::string openedPath_;  // native path of the open file; empty when none is open
    mutable _Mix_Music* music_ = nullptr;
    mutable std::string preparedPath_;
    mutable _Mix_Music* prepared_ = nullptr;
    mutable QTimer idleTimer_;
    std::function<void()> notify_;
    QObject receiver_;  // lives on the creating thread; notices are queued to it
};

}  // namespace chimora::platform
