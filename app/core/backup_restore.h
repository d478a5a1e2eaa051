#pragma once

#include <string>
#include <vector>

#include "app/core/database_file_copy.h"
#include "platform/local_date_time.h"

namespace chimora {

// Puts a copy from the backup folder in the place of db.dll. The file that is replaced is
// kept beside the copies as "db-before-restore-YYYY-MM-DD-hhmmss.dll", so that a restore can
// itself be undone the same way.
class BackupRestore {
  public:
    // The modal result with which the settings dialog reports a restore: the program then
    // reloads everything it read from the file.
    static constexpr int kRestoredResult = 3;
    static constexpr const char* kBeforeRestorePrefix = "db-before-restore-";

    struct Copy {
        std::string path;
        std::string fileName;
        std::string date;            // "2026-12-08", or "2026-12-08 07:15:02" before a restore
        bool beforeRestore = false;  // the file a restore replaced
    };

    // appPath: the program folder with its trailing separator.
    explicit BackupRestore(std::string appPath);

    // The daily copies, newest first, then the files kept by earlier restores, newest first.
    std::vector<Copy> ListCopies() const;
    // The plans held by a copy; throws with the store's reason when it cannot be read.
    static std::vector<DatabaseFileCopy::Plan> PlansOf(const Copy& copy);
    // Replaces db.dll by the copy: checks the copy, closes the program's database, keeps the
    // current file and puts a checked copy of the backup in its place. Returns the name the
    // current file was kept under. Throws, with db.dll as it was, when any step before the
    // final rename fails.
    std::string Restore(const Copy& copy, const platform::LocalDateTime& now);

    std::string DatabasePath() const;
    std::string Folder() const;

  private:
    std::string appPath_;
};

}  // namespace chimora
