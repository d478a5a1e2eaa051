#pragma once

#include <string>
#include <vector>

namespace chimora {

// Makes an installed program's data folder and fills it from the package's template: the
// template's db.dll and every file of its music/ folder that the data folder lacks.
// A folder that holds db.dll is the user's and is left alone, so neither a second start nor
// an upgrade that brings a changed template ever replaces a schedule or a sound; a user who
// removes db.dll gets a fresh one (and the template's sounds they lack) at the next start.
// No file is ever overwritten, also when two copies of the program start at once.
class DataFolderFiller {
  public:
    struct Outcome {
        std::vector<std::string> copied;    // data folder paths of the files copied
        std::vector<std::string> problems;  // one clear sentence each, in English
        bool databaseReady = false;         // db.dll is in the data folder afterwards
    };

    // Both folders with or without a trailing separator.
    static Outcome Fill(const std::string& templateFolder, const std::string& dataFolder);
};

}  // namespace chimora
