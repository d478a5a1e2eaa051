#include "platform/linux/xdg_autorun.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/linux/posix_write.h"

namespace chimora::platform {

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
        return user->pw_dir;
    }
    return ".";
}

std::string DefaultAutostartFolder() {
    // A relative $XDG_CONFIG_HOME is invalid and must be ignored.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        return std::string(config) + "/autostart";
    }
    return HomeFolder() + "/.config/autostart";
}

// Characters that make an Exec argument need double quotes.
bool IsReserved(char c) {
    return std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos;
}

// The program path as one Exec argument: quoted when it holds a reserved character, with
// the characters that are special inside quotes escaped, and a literal '%' doubled so that
// it is not taken for a field code.
std::string ExecArgument(const std::string& path) {
    bool quote = path.empty();
    for (char c : path) {
        quote = quote || IsReserved(c);
    }
    std::string argument = quote ? "\"" : "";
    for (char c : path) {
        if (quote && std::string_view("\"`$\\").find(c) != std::string_view::npos) {
            argument += '\\';
        }
        argument += c;
        if (c == '%') {
            argument += '%';
        }
    }
    return quote ? argument + "\"" : argument;
}

// A value of the key file: backslashes and control characters written as escapes, so that
// the value stays on its line and reads back as written.
std::string EscapeValue(const std::string& value) {
    std::string escaped;
    for (char c : value) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string EntryText(const std::string& name, const std::string& data) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           EscapeValue(name) +
           "\n"
           "Exec=" +
           EscapeValue(ExecArgument(data)) +
           "\n"
           "X-GNOME-Autostart-enabled=true\n";
}

// An entry name becomes a file name in the folder: it must not reach outside it.
bool IsUsableName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

// Writes text to path through a temporary file in the same folder and a rename, so that a
// reader (the desktop session at login) sees either the old entry or the new one, whole.
bool ReplaceFile(const std::string& path, const std::string& text) {
    std::vector<char> temp(path.begin(), path.end());
    const std::string_view suffix = ".XXXXXX";
    temp.insert(temp.end(), suffix.begin(), suffix.end());
    temp.push_back('\0');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool written = ::fchmod(fd, 0644) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temp.data(), path.c_str()) == 0) {
        return true;
    }
    ::unlink(temp.data());
    return false;
}

}  // namespace

XdgAutorun::XdgAutorun() : folder_(DefaultAutostartFolder()) {}

XdgAutorun::XdgAutorun(std::string autostartFolder) : folder_(std::move(autostartFolder)) {}

void XdgAutorun::AddAutoRun(const std::string& name, const std::string& data) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (!IsUsableName(name) || error ||
        !ReplaceFile(folder_ + "/" + name + ".desktop", EntryText(name, data))) {
        throw AutorunError("Failed to set data for '" + name + "'");
    }
}

void XdgAutorun::DeleteAutoRun(const std::string& name) {
    if (!IsUsableName(name)) {
        return;
    }
    std::error_code ignored;
    std::filesystem::remove(folder_ + "/" + name + ".desktop", ignored);
}

}  // namespace chimora::platform
