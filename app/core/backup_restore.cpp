#include "app/core/backup_restore.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/core/daily_backup.h"
#include "app/core/schedule_loader.h"
#include "chimdb/chim_database.h"
#include "chimdb/chim_session.h"
#include "chimdb/chim_session_list.h"

namespace chimora {

namespace fs = std::filesystem;

namespace {

// "db-before-restore-2026-12-08-071502.dll" -> "2026-12-08 07:15:02"; empty for other names.
std::string BeforeRestoreDate(const std::string& name) {
    const std::string prefix = BackupRestore::kBeforeRestorePrefix;
    static const std::string pattern = "####-##-##-######.dll";
    if (name.size() != prefix.size() + pattern.size() || name.compare(0, prefix.size(), prefix))
        return {};
    const std::string rest = name.substr(prefix.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(rest[i])) != 0;
        if (pattern[i] == '#' ? !digit : rest[i] != pattern[i])
            return {};
    }
    return rest.substr(0, 10) + " " + rest.substr(11, 2) + ":" + rest.substr(13, 2) + ":" +
           rest.substr(15, 2);
}

std::string Stamp(const platform::LocalDateTime& now) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d-%02d%02d%02d", now.year, now.month, now.day,
                  now.hour, now.minute, now.second);
    return text;
}

}  // namespace

BackupRestore::BackupRestore(std::string appPath) : appPath_(std::move(appPath)) {}

std::string BackupRestore::DatabasePath() const {
    return appPath_ + ScheduleLoader::kDatabaseFileName;
}

std::string BackupRestore::Folder() const {
    return appPath_ + DailyBackup::kFolderName + "/";
}

std::vector<BackupRestore::Copy> BackupRestore::ListCopies() const {
    std::vector<Copy> daily;
    std::vector<Copy> before;
    std::error_code error;
    for (fs::directory_iterator it(Folder(), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (DailyBackup::IsDailyCopyName(name))
            daily.push_back({Folder() + name, name, name.substr(3, 10), false});
        else if (const std::string date = BeforeRestoreDate(name); !date.empty())
            before.push_back({Folder() + name, name, date, true});
    }
    const auto newestFirst = [](const Copy& a, const Copy& b) { return a.date > b.date; };
    std::sort(daily.begin(), daily.end(), newestFirst);
    std::sort(before.begin(), before.end(), newestFirst);
    daily.insert(daily.end(), before.begin(), before.end());
    return daily;
}

std::vector<DatabaseFileCopy::Plan> BackupRestore::PlansOf(const Copy& copy) {
    return DatabaseFileCopy::ReadPlans(copy.path);
}

std::string BackupRestore::Restore(const Copy& copy, const platform::LocalDateTime& now) {
    DatabaseFileCopy::Verify(copy.path);
    const std::string database = DatabasePath();
    const std::string incoming = database + ".restore.tmp";
    DatabaseFileCopy::CopyPlain(copy.path, incoming);
    try {
        DatabaseFileCopy::Verify(incoming);
    } catch (...) {
        std::error_code ignored;
        fs::remove(incoming, ignored);
        throw;
    }
    // Every table on the file is closed with its database, so that nothing of the program
    // goes on writing into the file that is being replaced; the program opens the new one
    // when it reloads.
    if (chimdb::ChimDatabase* open =
            chimdb::ChimSessionList::Instance().Default().FindDatabase(database)) {
        open->Flush();
        open->Close();
    }
    fs::create_directories(Folder());
    const std::string keptName = kBeforeRestorePrefix + Stamp(now) + ".dll";
    const std::string kept = Folder() + keptName;
    // A second name for the current file, and then one rename over db.dll: at no moment is
    // there no db.dll.
    std::error_code linkError;
    fs::create_hard_link(database, kept, linkError);
    if (linkError)
        DatabaseFileCopy::CopyPlain(database, kept);
    DatabaseFileCopy::SyncFolder(Folder());
    fs::rename(incoming, database);
    DatabaseFileCopy::SyncFolder(appPath_);
    return keptName;
}

}  // namespace chimora
