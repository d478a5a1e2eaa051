#include "app/core/data_folder_filler.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace chimora {

namespace {

namespace fs = std::filesystem;

bool Exists(const fs::path& path) {
    std::error_code error;
    // A dangling link is something the user put there too: not ours to replace.
    return fs::exists(fs::symlink_status(path, error));
}

// The template file must be readable as a whole: a copy that stops half way would leave a
// database that looks present and is not. Empty when it is; else why not.
std::string Unreadable(const fs::path& source) {
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? "is missing"
                               : std::string("cannot be read: ") + std::strerror(errno);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    }
    const int readError = errno;
    ::close(fd);
    return n < 0 ? std::string("cannot be read: ") + std::strerror(readError) : "";
}

// Copies source to target unless target exists: through a temporary file in the target's
// folder and a hard link, which fails rather than replace a file another copy of the
// program made in the meantime. The copy is the user's own, writable by them whatever
// the template's permissions are.
std::string CopyWithoutReplacing(const fs::path& source, const fs::path& target) {
    if (const std::string reason = Unreadable(source); !reason.empty())
        return "The template file " + source.string() + " " + reason + ".";
    const fs::path part = target.string() + ".part-" + std::to_string(::getpid());
    std::error_code error;
    fs::copy_file(source, part, fs::copy_options::overwrite_existing, error);
    if (!error)
        fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                        error);
    if (!error) {
        fs::create_hard_link(part, target, error);
        // A file system without hard links: a rename, after looking once more.
        if (error && error != std::errc::file_exists && !Exists(target))
            fs::rename(part, target, error);
        if (error == std::errc::file_exists)
            error.clear();
    }
    std::error_code ignored;
    fs::remove(part, ignored);
    if (error)
        return "Cannot copy " + source.string() + " to " + target.string() + ": " +
               error.message() + ".";
    return "";
}

void Note(DataFolderFiller::Outcome& outcome, const fs::path& target, const std::string& problem) {
    if (problem.empty())
        outcome.copied.push_back(target.string());
    else
        outcome.problems.push_back(problem);
}

void CopyMusic(const fs::path& source, const fs::path& target, DataFolderFiller::Outcome& outcome) {
    std::error_code error;
    if (!fs::is_directory(source, error)) {
        outcome.problems.push_back("The template music folder " + source.string() +
                                   " is missing: no bell sounds were copied.");
        return;
    }
    fs::recursive_directory_iterator walk(source, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        const fs::path into = target / fs::relative(walk->path(), source);
        std::error_code kind;
        if (walk->is_directory(kind)) {
            fs::create_directories(into, kind);
        } else if (walk->is_regular_file(kind) && !Exists(into)) {
            Note(outcome, into, CopyWithoutReplacing(walk->path(), into));
        }
    }
    if (error)
        outcome.problems.push_back("The template music folder " + source.string() +
                                   " cannot be read: " + error.message() + ".");
}

}  // namespace

DataFolderFiller::Outcome DataFolderFiller::Fill(const std::string& templateFolder,
                                                 const std::string& dataFolder) {
    Outcome outcome;
    const fs::path data(dataFolder);
    const fs::path sourceDatabase = fs::path(templateFolder) / "db.dll";
    if (Exists(data / "db.dll")) {
        outcome.databaseReady = true;
        return outcome;
    }
    if (const std::string reason = Unreadable(sourceDatabase); !reason.empty()) {
        outcome.problems.push_back("The program's template database " + sourceDatabase.string() +
                                   " " + reason + ", so the data folder " + data.string() +
                                   " has no schedule. Reinstall the chimora package.");
        return outcome;
    }
    std::error_code error;
    fs::create_directories(data / "music", error);
    if (error) {
        outcome.problems.push_back("Cannot make the data folder " + data.string() + ": " +
                                   error.message() + ".");
        return outcome;
    }
    CopyMusic(fs::path(templateFolder) / "music", data / "music", outcome);
    // The database last: its presence tells the next start that the folder is complete.
    Note(outcome, data / "db.dll", CopyWithoutReplacing(sourceDatabase, data / "db.dll"));
    outcome.databaseReady = Exists(data / "db.dll");
    return outcome;
}

}  // namespace chimora
