#include "app/core/ring_log.h"

#include "app/core/ring_volume.h"

#include <cstdio>
#include <optional>
#include <ostream>

namespace chimora {

namespace {

std::string Stamp(const platform::LocalDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return text;
}

std::string OutcomeText(const RingReport& report) {
    switch (report.outcome) {
        case RingReport::Outcome::Played:
            return "played";
        case RingReport::Outcome::FileMissing:
            return "file missing";
        case RingReport::Outcome::Failed:
            return "player error: " + report.error;
    }
    return "unknown outcome";
}

}  // namespace

RingLog::RingLog(const platform::Clock& clock, platform::LogFiles& files, std::string filePath,
                 std::ostream* echo, std::uintmax_t capBytes)
    : clock_(clock),
      files_(files),
      filePath_(std::move(filePath)),
      echo_(echo),
      capBytes_(capBytes) {}

void RingLog::Event(const std::string& text) {
    WriteLine(Stamp(clock_.Now()) + " " + text);
}

void RingLog::Ring(const RingReport& report) {
    std::string text = "ring " + report.time + " \"" + report.description + "\" file \"" +
                       report.file + "\": " + OutcomeText(report) + ", " +
                       std::to_string(report.delayMs) + " ms after the second" +
                       RingVolume::LogSuffix(report.volume);
    if (report.caughtUp) {
        text += ", caught up";
    }
    Event(text);
}

void RingLog::WriteLine(const std::string& line) {
    pendingBytes_ = line.size() + 1;
    if (echo_ != nullptr) {
        try {
            *echo_ << line << '\n' << std::flush;
        } catch (...) {
            // A closed terminal must not stop the file from getting the line.
        }
    }
    if (filePath_.empty()) {
        return;
    }
    RotateIfFull();
    // Synced line by line: the program may switch the PC off seconds after the last ring,
    // and the line that tells why must survive it. A failure here is swallowed.
    files_.AppendDurably(filePath_, line + '\n');
}

// Rotates before a line that would take the file past the cap. An empty file is never
// rotated, so that one overlong line still gets written.
void RingLog::RotateIfFull() {
    const std::optional<std::uintmax_t> size = files_.Size(filePath_);
    if (!size || *size == 0 || *size + pendingBytes_ <= capBytes_) {
        return;
    }
    files_.Rename(filePath_, filePath_ + ".1");
}

}  // namespace chimora
