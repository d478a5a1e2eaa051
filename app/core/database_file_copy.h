#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace chimora {

// Whole copies of a database file, as the backups and the restore make them: taken under the
// store's file lock, so that no table operation of this or another program is half done in
// the copy, written to disk before anyone relies on them, and checked by reading every table
// back through the store.
class DatabaseFileCopy {
  public:
    // The database could not be opened or its password is not the program's: there is
    // nothing to copy now, which is no failure of the copy itself.
    class Unreadable : public std::runtime_error {
      public:
        using std::runtime_error::runtime_error;
    };

    struct Plan {
        std::string name;
        bool active = false;
    };

    // Copies the database file at databasePath into target (replaced when there), under the
    // file lock, and flushes target to the device. Throws Unreadable, or std::runtime_error
    // with the reason when reading or writing fails.
    static void CopyLocked(const std::string& databasePath, const std::string& target);
    // Copies a file that no program has open (a backup) into target and flushes it.
    static void CopyPlain(const std::string& source, const std::string& target);
    // Opens the database file at path with the store and reads every record of every
    // table; throws with the store's reason when any of it fails. Leaves nothing open.
    static void Verify(const std::string& path);
    // The plans of the database file at path, in name order. Leaves nothing open.
    static std::vector<Plan> ReadPlans(const std::string& path);
    // Makes a rename inside folder durable.
    static void SyncFolder(const std::string& folder);
};

}  // namespace chimora
