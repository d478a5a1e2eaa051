#include "platform/fake/fake_media_player.h"

namespace chimora::platform {

void FakeMediaPlayer::Open() {
    if (open_) {
        Close();
    }
    if (auto it = openErrors_.find(fileName_); it != openErrors_.end()) {
        throw MediaError(it->second);
    }
    calls.push_back("open " + fileName_);
    openedFile_ = fileName_;
    open_ = true;
}

void FakeMediaPlayer::Close() {
    calls.push_back("close");
    open_ = false;
    playing_ = false;
}

void FakeMediaPlayer::Play() {
    RequireDevice();
    calls.push_back("play " + openedFile_);
    playVolumes.push_back(volume_);
    playing_ = true;
}

void FakeMediaPlayer::Stop() {
    RequireDevice();
    calls.push_back("stop");
    playing_ = false;
}

PlayerMode FakeMediaPlayer::Mode() const {
    if (!open_) {
        return PlayerMode::NotReady;
    }
    return playing_ ? PlayerMode::Playing : PlayerMode::Stopped;
}

long FakeMediaPlayer::LengthMs() const {
    RequireDevice();
    auto it = lengths_.find(openedFile_);
    return it == lengths_.end() ? 0 : it->second;
}

void FakeMediaPlayer::FinishPlay() {
    playing_ = false;
    if (notify_) {
        notify_();
    }
}

void FakeMediaPlayer::RequireDevice() const {
    if (!open_) {
        throw MediaError(kNoDeviceOpen);
    }
}

}  // namespace chimora::platform
