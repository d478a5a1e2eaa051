#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "platform/media_player.h"

struct _Mix_Music;

namespace chimora::platform {

// The media player on SDL2_mixer. The end-of-play notice comes from SDL's audio thread
// and is handed to the thread that created the player (which must run a Qt event loop);
// program code is never called from the audio thread.
class SdlMediaPlayer : public MediaPlayer {
  public:
    SdlMediaPlayer();
    ~SdlMediaPlayer() override;
    SdlMediaPlayer(const SdlMediaPlayer&) = delete;
    SdlMediaPlayer& operator=(const SdlMediaPlayer&) = delete;

    void SetFileName(const std::string& path) override { fileName_ = path; }
    const std::string& FileName() const override { return fileName_; }
    void Open() override;
    void Close() override;
    bool IsOpen() const override { return music_ != nullptr; }
    void Play() override;
    void Stop() override;
    PlayerMode Mode() const override;
    long LengthMs() const override;
    void SetVolume(int percent) override;
    void SetNotifyHandler(std::function<void()> handler) override { notify_ = std::move(handler); }

  private:
    static void OnMusicFinished();
    void RequireDevice() const;

    std::string fileName_;
    std::string openedPath_;
    _Mix_Music* music_ = nullptr;
    int volume_ = 100;
    std::function<void()> notify_;
    QObject receiver_;  // lives on the creating thread; notices are queued to it
};

}  // namespace chimora::platform
