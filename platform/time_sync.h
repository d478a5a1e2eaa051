#pragma once

#include <functional>
#include <string>

namespace chimora::platform {

// What the system says of its clock's synchronisation.
struct TimeSyncState {
    enum class Kind {
        Synchronised,
        NotSynchronised,
        Unknown,  // no time service to ask; error tells why
    };
    Kind kind = Kind::Unknown;
    bool ntpEnabled = false;  // time sync switched on
    std::string error;
};

// Asks whether the clock is synchronised. The answer comes later, on the program's thread.
class TimeSync {
  public:
    using Answer = std::function<void(const TimeSyncState&)>;

    virtual ~TimeSync() = default;
    virtual void Query(Answer answer) = 0;
};

}  // namespace chimora::platform
