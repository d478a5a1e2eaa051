#include "app/core/program_layout.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace chimora {

namespace {

namespace fs = std::filesystem;

std::string WithSeparator(const fs::path& folder) {
    std::string text = folder.string();
    if (text.empty() || text.back() != fs::path::preferred_separator)
        text += fs::path::preferred_separator;
    return text;
}

// The base folder of per-user data files. A relative $XDG_DATA_HOME is invalid and must be
// ignored; without any home the current folder is the last resort.
fs::path UserDataHome(const ProgramLayout::Environment& environment) {
    const std::string xdg = environment("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/')
        return xdg;
    const std::string home = environment("HOME");
    return fs::path(home.empty() ? "." : home) / ".local" / "share";
}

bool HoldsDatabase(const fs::path& folder) {
    std::error_code error;
    return fs::exists(folder / "db.dll", error);
}

}  // namespace

ProgramLayout::ProgramLayout(Kind kind, std::string programFolder, std::string templateFolder)
    : kind_(kind),
      programFolder_(std::move(programFolder)),
      templateFolder_(std::move(templateFolder)) {}

ProgramLayout ProgramLayout::Choose(const std::string& executablePath,
                                    const Environment& environment) {
    const fs::path executableFolder = fs::path(executablePath).parent_path();
    if (HoldsDatabase(executableFolder))
        return ProgramLayout(Kind::Portable, WithSeparator(executableFolder), "");
    // <prefix>/bin/chimora finds its template in <prefix>/share/chimora, so that a package
    // (prefix /usr) and a hand install (/usr/local, /opt/...) work alike.
    const fs::path templateFolder =
        (executableFolder / ".." / "share" / "chimora").lexically_normal();
    return ProgramLayout(Kind::Installed, WithSeparator(UserDataHome(environment) / "chimora"),
                         WithSeparator(templateFolder));
}

std::string ProgramLayout::ProcessEnvironment(const char* name) {
    if (const char* value = std::getenv(name); value != nullptr && *value != '\0')
        return value;
    if (std::string_view(name) == "HOME") {
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir)
            return user->pw_dir;
    }
    return "";
}

std::string ProgramLayout::Describe() const {
    if (kind_ == Kind::Portable)
        return "portable layout: program folder " + programFolder_;
    return "installed layout: program folder " + programFolder_ + " (template " + templateFolder_ +
           ")";
}

}  // namespace chimora
