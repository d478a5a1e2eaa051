#include "app/core/database_file_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <exception>

#include "app/core/schedule_loader.h"
#include "chimdb/chim_database.h"
#include "chimdb/chim_session.h"
#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"

namespace chimora {

namespace {

[[noreturn]] void RaiseSystemError(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

// A file descriptor that is closed however the scope ends.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    // Closes now, so that an error of the close itself is seen.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// One hold on a database of the default session, given back however the scope ends.
class DatabaseHold {
  public:
    explicit DatabaseHold(const std::string& path)
        : session_(chimdb::ChimSessionList::Instance().Default()),
          database_(session_.AcquireDatabase(path, true)) {}
    ~DatabaseHold() {
        try {
            session_.ReleaseDatabase(database_);
        } catch (...) {
            // Giving the hold back closes the file at worst; nothing more to do about it.
        }
    }
    DatabaseHold(const DatabaseHold&) = delete;
    DatabaseHold& operator=(const DatabaseHold&) = delete;
    chimdb::ChimDatabase& Database() { return database_; }

  private:
    chimdb::ChimSession& session_;
    chimdb::ChimDatabase& database_;
};

void WriteAll(int fd, const std::uint8_t* data, std::size_t size, const std::string& path) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            RaiseSystemError("Cannot write", path);
        done += static_cast<std::size_t>(n);
    }
}

int CreateTarget(const std::string& target) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        RaiseSystemError("Cannot create", target);
    return fd;
}

void FinishTarget(Descriptor& out, const std::string& target) {
    if (::fsync(out.Get()) != 0)
        RaiseSystemError("Cannot flush", target);
    if (!out.Close())
        RaiseSystemError("Cannot close", target);
}

// The program's open steps on a file that is not the program's own db.dll.
void OpenTableOf(chimdb::ChimTable& table, const std::string& path, const std::string& name,
                 const std::string& index) {
    table.Close();
    table.SetDatabaseName(path);
    table.SetTableName(name);
    table.SetIndexName(index);
    table.SetPassword(ScheduleLoader::kPassword);
    table.Open();
}

// Holds the database at path, and refuses a file whose password is not the program's
// before any table asks the user for one.
void RequireProgramPassword(DatabaseHold& hold, const std::string& path) {
    if (!hold.Database().CheckPassword(ScheduleLoader::kPassword))
        throw DatabaseFileCopy::Unreadable("The password of " + path + " is not the program's");
}

}  // namespace

void DatabaseFileCopy::CopyLocked(const std::string& databasePath, const std::string& target) {
    std::unique_ptr<DatabaseHold> hold;
    try {
        hold = std::make_unique<DatabaseHold>(databasePath);
    } catch (const std::exception& error) {
        throw Unreadable(error.what());
    }
    RequireProgramPassword(*hold, databasePath);
    Descriptor out(CreateTarget(target));
    hold->Database().ReadWholeFileLocked(
        [&out, &target](const std::uint8_t* data, std::size_t size) {
            WriteAll(out.Get(), data, size, target);
        });
    FinishTarget(out, target);
}

void DatabaseFileCopy::CopyPlain(const std::string& source, const std::string& target) {
    Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0)
        RaiseSystemError("Cannot open", source);
    Descriptor out(CreateTarget(target));
    std::array<std::uint8_t, 64 * 1024> buffer{};
    while (true) {
        const ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            RaiseSystemError("Cannot read", source);
        if (n == 0)
            break;
        WriteAll(out.Get(), buffer.data(), static_cast<std::size_t>(n), target);
    }
    FinishTarget(out, target);
}

void DatabaseFileCopy::Verify(const std::string& path) {
    DatabaseHold hold(path);
    RequireProgramPassword(hold, path);
    for (const std::string& name : hold.Database().TableNames()) {
        chimdb::ChimTable table;
        OpenTableOf(table, path, name, "");
        table.First();
        const std::int32_t count = table.RecordCount();
        for (std::int32_t i = 0; i < count && !table.Eof(); ++i) {
            for (std::size_t f = 0; f < table.FieldCount(); ++f)
                static_cast<void>(table.Fields(f).AsString());
            table.Next();
        }
        table.Close();
    }
}

std::vector<DatabaseFileCopy::Plan> DatabaseFileCopy::ReadPlans(const std::string& path) {
    DatabaseHold hold(path);
    RequireProgramPassword(hold, path);
    chimdb::ChimTable plans;
    OpenTableOf(plans, path, "FANGAN", "NAME");
    std::vector<Plan> result;
    plans.First();
    const std::int32_t count = plans.RecordCount();
    for (std::int32_t i = 0; i < count && !plans.Eof(); ++i) {
        result.push_back({plans.FieldByName("NAME").AsString(),
                          plans.FieldByName("ISACTIVE").AsString() == "1"});
        plans.Next();
    }
    plans.Close();
    return result;
}

void DatabaseFileCopy::SyncFolder(const std::string& folder) {
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0)
        RaiseSystemError("Cannot open", folder);
    if (::fsync(dir.Get()) != 0)
        RaiseSystemError("Cannot flush", folder);
}

}  // namespace chimora
