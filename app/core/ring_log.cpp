#include "app/core/ring_log.h"

#include "app/core/ring_volume.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <system_error>

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

// Writes all of text to fd; false when the disk refuses any part of it.
bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

RingLog::RingLog(const platform::Clock& clock, std::string filePath, std::ostream* echo,
                 std::uintmax_t capBytes)
    : clock_(clock), filePath_(std::move(filePath)), echo_(echo), capBytes_(capBytes) {}

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
    // Opened per line: a log that was moved away or deleted is simply started again, and
    // the descriptor is never held across a suspend or a lost disk.
    const int fd = ::open(filePath_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    // Synced line by line: the program may switch the PC off seconds after the last ring,
    // and the line that tells why must survive it. A failure here is swallowed.
    if (WriteAll(fd, line + '\n')) {
        ::fdatasync(fd);
    }
    ::close(fd);
}

// Rotates before a line that would take the file past the cap. An empty file is never
// rotated, so that one overlong line still gets written.
void RingLog::RotateIfFull() {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(filePath_, error);
    if (error || size == 0 || size + pendingBytes_ <= capBytes_) {
        return;
    }
    std::filesystem::rename(filePath_, filePath_ + ".1", error);
}

}  // namespace chimora
