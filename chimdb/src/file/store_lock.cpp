#include "file/store_lock.h"

namespace chimdb {

std::recursive_mutex& StoreLock::Mutex() {
    // Never destroyed, so that sessions freed while the process ends can still take it.
    static std::recursive_mutex* mutex = new std::recursive_mutex;
    return *mutex;
}

}  // namespace chimdb
