#pragma once

namespace chimdb {

// How long the file lock is waited for: LockRetryCount failed attempts (0: without limit),
// LockWaitTime milliseconds apart. The session carries these; until it exists a database's
// file I/O reads them from an object of this kind. Negative values are stored as 0.
class LockSettings {
  public:
    static constexpr int kDefaultRetryCount = 20;
    static constexpr int kDefaultWaitTime = 100;

    int LockRetryCount() const { return retryCount_; }
    int LockWaitTime() const { return waitTime_; }
    void SetLockRetryCount(int count) { retryCount_ = count < 0 ? 0 : count; }
    void SetLockWaitTime(int milliseconds) { waitTime_ = milliseconds < 0 ? 0 : milliseconds; }

  private:
    int retryCount_ = kDefaultRetryCount;
    int waitTime_ = kDefaultWaitTime;
};

}  // namespace chimdb
