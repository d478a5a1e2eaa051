#pragma once

#include <mutex>

namespace chimdb {

// The store-wide critical section: serialises session activation and deactivation, the
// look-up and creation of databases and the automatic session numbers. Re-entrant on one
// thread.
class StoreLock {
  public:
    static std::recursive_mutex& Mutex();
};

using StoreLockGuard = std::lock_guard<std::recursive_mutex>;

}  // namespace chimdb
