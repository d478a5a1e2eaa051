#pragma once

#include <functional>
#include <string>

namespace chimora::platform {

// One running copy per program folder: two copies would ring every bell twice, each
// restarting the other's sound. A later start hands over to the running copy and ends.
class SingleInstance {
  public:
    enum class Outcome {
        First,       // this process holds the program folder now
        HandedOver,  // a copy runs already and was asked to show its window
        NoAnswer,    // a copy holds the folder but does not answer
    };

    virtual ~SingleInstance() = default;
    // Holds the program folder for this process or hands over to the copy that holds it.
    // Where no lock can be made at all the program runs unguarded (First) rather than
    // not ringing; Problem() then tells why.
    virtual Outcome Claim() = 0;
    // Called on the program's thread whenever a later start has handed over.
    virtual void SetShowHandler(std::function<void()> handler) = 0;
    // Why the folder could not be guarded; empty when all went well.
    virtual std::string Problem() const = 0;
};

}  // namespace chimora::platform
