#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/media_player.h"

namespace chimora::platform {

// A player whose files have scripted lengths and whose plays end only when a test says so.
class FakeMediaPlayer : public MediaPlayer {
  public:
    void SetFileName(const std::string& path) override { fileName_ = path; }
    const std::string& FileName() const override { return fileName_; }
    void Open() override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    void Play() override;
    void Stop() override;
    PlayerMode Mode() const override;
    long LengthMs() const override;
    void SetNotifyHandler(std::function<void()> handler) override { notify_ = std::move(handler); }
    void Prepare(const std::string& path) override { prepared.push_back(path); }
    std::string DeviceError() const override { return deviceError_; }

    // Scripting.
    void SetDeviceError(const std::string& error) { deviceError_ = error; }
    void SetLength(const std::string& path, long ms) { lengths_[path] = ms; }
    void FailOpen(const std::string& path, const std::string& error) { openErrors_[path] = error; }
    // The current play reaches its end: the device stops and the notice is delivered.
    void FinishPlay();

    // What happened, in order: "open <file>", "close", "play <file>", "stop".
    std::vector<std::string> calls;
    // The paths handed to Prepare, in order (kept apart from calls, which MCI sees).
    std::vector<std::string> prepared;

  private:
    void RequireDevice() const;

    std::string fileName_;
    std::string openedFile_;
    bool open_ = false;
    bool playing_ = false;
    std::map<std::string, long> lengths_;
    std::map<std::string, std::string> openErrors_;
    std::string deviceError_;
    std::function<void()> notify_;
};

}  // namespace chimora::platform
