#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/silence_warnings.h"
#include "platform/local_date_time.h"

namespace chimora {

// One copy of db.dll a day, in the folder "backup" beside it: "db-YYYY-MM-DD.dll", the newest
// kKeep kept. The copy is taken at the first tick of a day that finds the database readable
// (also the first tick after a start, since a school PC that is switched off every evening
// never sees midnight), unless that day's copy is there already. A failure is logged and
// raises SilenceCause::BackupFailed until a later copy succeeds; ringing never hears of it.
class DailyBackup {
  public:
    static constexpr int kKeep = 14;
    static constexpr const char* kFolderName = "backup";
    // While the database cannot be read the tick looks again after this many seconds, and
    // after a failed copy after kRetryAfterFailure: a full disk is not helped by trying
    // every second, and each try costs a copy of the whole file.
    static constexpr int kRetryWhileUnreadable = 60;
    static constexpr int kRetryAfterFailure = 3600;
    static constexpr const char* kFailureText = "每日备份失败：";

    enum class Outcome { Written, AlreadyThere, DatabaseUnreadable, Failed };
    struct Result {
        Outcome outcome = Outcome::Failed;
        std::string detail;  // the copy's path, or the reason it was not made
    };

    using Log = std::function<void(const std::string&)>;

    // appPath: the program folder with its trailing separator, where db.dll lies.
    DailyBackup(std::string appPath, SilenceWarnings& warnings, Log log);

    // The per-second tick. Costs one comparison except on the first tick of a day and when
    // a retry falls due.
    void Tick(const platform::LocalDateTime& now);
    // Makes today's copy unless it exists, then keeps the newest kKeep copies.
    Result BackUp(const platform::LocalDateTime& now);

    // "db-2026-12-08.dll".
    static std::string FileName(const platform::LocalDateTime& day);
    // Whether name is a daily copy's name, "db-" + "YYYY-MM-DD" + ".dll".
    static bool IsDailyCopyName(const std::string& name);
    // The program folder's backup folder, with its trailing separator.
    std::string Folder() const { return appPath_ + kFolderName + "/"; }
    // The daily copies' file names, newest first.
    std::vector<std::string> DailyCopies() const;

  private:
    void Rotate();

    std::string appPath_;
    SilenceWarnings& warnings_;
    Log log_;
    std::int64_t doneDay_ = -1;      // the day whose copy exists
    std::int64_t nextAttempt_ = -1;  // local seconds before which no attempt is made
};

}  // namespace chimora
