#include "platform/linux/linux_log_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/linux/posix_write.h"

namespace chimora::platform {

std::optional<std::uintmax_t> LinuxLogFiles::Size(const std::string& path) const {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return std::nullopt;
    return size;
}

bool LinuxLogFiles::AppendDurably(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, text) && ::fdatasync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    return written && closed;
}

bool LinuxLogFiles::Rename(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
}

}  // namespace chimora::platform
