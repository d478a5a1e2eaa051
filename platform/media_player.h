#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace chimora::platform {

// Raised by a media player; what() is the backend's own error text.
class MediaError : public std::runtime_error {
  public:
    explicit MediaError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kNoDeviceOpen = "No MCI device open";

// Device modes, in the order the media control interface numbers them.
enum class PlayerMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

// One sound device at a time: open closes the previous one. Play returns at once and
// the notify handler is called on the program's thread when the play ends, is stopped
// or is superseded.
class MediaPlayer {
  public:
    virtual ~MediaPlayer() = default;

    virtual void SetFileName(const std::string& path) = 0;
    virtual const std::string& FileName() const = 0;
    // Opens FileName(), closing a device that is still open; throws MediaError.
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Play, Stop and LengthMs throw MediaError(kNoDeviceOpen) without an open device.
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual PlayerMode Mode() const = 0;
    virtual long LengthMs() const = 0;
    virtual void SetNotifyHandler(std::function<void()> handler) = 0;

    // Gets path ready to be opened soon (the ring due in the next second), so that its open
    // and play cost nearly nothing when it is due: the audio device is opened if it is not,
    // the file's decoder is set up and the start of the file is read. Nothing that is open or
    // playing now is touched, and nothing is thrown: a failure is met again, and reported,
    // by the Open of that path. An Open of another path leaves what was prepared in place.
    virtual void Prepare(const std::string& path) { static_cast<void>(path); }
    // Why the audio device could not be opened at the last attempt; empty while the device
    // works or before anything needed it. Every Open and Prepare tries the device again.
    virtual std::string DeviceError() const { return {}; }
};

}  // namespace chimora::platform
