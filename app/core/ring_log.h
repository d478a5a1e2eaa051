#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "app/core/ring_report.h"
#include "platform/clock.h"
#include "platform/log_files.h"

namespace chimora {

// The ring log: one line per event, stamped with the date and the time to the millisecond,
// written to standard error and to a file in the program folder. When the file passes its
// cap it becomes the one older copy (<file>.1) and a new file is started. A log that cannot
// be written never disturbs ringing.
class RingLog {
  public:
    static constexpr std::uintmax_t kDefaultCapBytes = 1024 * 1024;
    static constexpr const char* kFileName = "chimora.log";

    // filePath: usually the program folder + kFileName, empty for the echo only; echo:
    // nullptr writes the file only.
    RingLog(const platform::Clock& clock, platform::LogFiles& files, std::string filePath,
            std::ostream* echo, std::uintmax_t capBytes = kDefaultCapBytes);

    // A free-text event: program start and exit, pause and run, shutdown request and its
    // result, a store error shown to the user.
    void Event(const std::string& text);
    // A due ring (or one caught up after a stall) and what became of it.
    void Ring(const RingReport& report);

  private:
    void WriteLine(const std::string& line);
    void RotateIfFull();

    const platform::Clock& clock_;
    platform::LogFiles& files_;
    std::string filePath_;
    std::ostream* echo_;
    std::uintmax_t capBytes_;
    std::uintmax_t pendingBytes_ = 0;  // the size of the line about to be written
};

}  // namespace chimora
