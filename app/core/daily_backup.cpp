#include "app/core/daily_backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/core/database_file_copy.h"
#include "app/core/schedule_loader.h"

namespace chimora {

namespace fs = std::filesystem;

DailyBackup::DailyBackup(std::string appPath, SilenceWarnings& warnings, Log log)
    : appPath_(std::move(appPath)), warnings_(warnings), log_(std::move(log)) {}

std::string DailyBackup::FileName(const platform::LocalDateTime& day) {
    char text[32];
    std::snprintf(text, sizeof text, "db-%04d-%02d-%02d.dll", day.year, day.month, day.day);
    return text;
}

bool DailyBackup::IsDailyCopyName(const std::string& name) {
    static const std::string pattern = "db-####-##-##.dll";
    if (name.size() != pattern.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(name[i])) != 0;
        if (pattern[i] == '#' ? !digit : name[i] != pattern[i])
            return false;
    }
    return true;
}

void DailyBackup::Tick(const platform::LocalDateTime& now) {
    const std::int64_t today = now.DayNumber();
    if (today == doneDay_)
        return;
    const std::int64_t seconds = now.LocalSeconds();
    // A clock set back far makes a pending retry wait no longer than the pause itself.
    if (nextAttempt_ >= 0 && seconds < nextAttempt_ && nextAttempt_ - seconds <= kRetryAfterFailure)
        return;
    try {
        const Result result = BackUp(now);
        switch (result.outcome) {
            case Outcome::Written:
            case Outcome::AlreadyThere:
                doneDay_ = today;
                nextAttempt_ = -1;
                break;
            case Outcome::DatabaseUnreadable:
                nextAttempt_ = seconds + kRetryWhileUnreadable;
                break;
            case Outcome::Failed:
                nextAttempt_ = seconds + kRetryAfterFailure;
                break;
        }
    } catch (...) {
        // Nothing of the backup may reach the tick.
        nextAttempt_ = seconds + kRetryAfterFailure;
    }
}

DailyBackup::Result DailyBackup::BackUp(const platform::LocalDateTime& now) {
    const std::string folder = Folder();
    const std::string target = folder + FileName(now);
    std::error_code exists;
    if (fs::exists(target, exists))
        return {Outcome::AlreadyThere, target};
    const std::string temporary = target + ".tmp";
    try {
        fs::create_directories(folder);
        DatabaseFileCopy::CopyLocked(appPath_ + ScheduleLoader::kDatabaseFileName, temporary);
        DatabaseFileCopy::Verify(temporary);
        fs::rename(temporary, target);
        DatabaseFileCopy::SyncFolder(folder);
    } catch (const DatabaseFileCopy::Unreadable& error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return {Outcome::DatabaseUnreadable, error.what()};
    } catch (const std::exception& error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        if (log_)
            log_(std::string("daily backup failed: ") + error.what());
        warnings_.Raise(SilenceCause::BackupFailed, kFailureText + std::string(error.what()));
        return {Outcome::Failed, error.what()};
    }
    Rotate();
    if (log_)
        log_("daily backup written: " + target);
    warnings_.Clear(SilenceCause::BackupFailed);
    return {Outcome::Written, target};
}

std::vector<std::string> DailyBackup::DailyCopies() const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(Folder(), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (IsDailyCopyName(name))
            names.push_back(name);
    }
    // The dates in the names sort as the days do.
    std::sort(names.rbegin(), names.rend());
    return names;
}

void DailyBackup::Rotate() {
    const std::vector<std::string> names = DailyCopies();
    for (std::size_t i = kKeep; i < names.size(); ++i) {
        std::error_code error;
        fs::remove(Folder() + names[i], error);
        if (error && log_)
            log_("daily backup: cannot remove " + names[i] + ": " + error.message());
    }
}

}  // namespace chimora
