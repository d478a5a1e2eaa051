#include "app/core/music_files.h"

#include <cctype>

namespace chimora {

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool Glob(const char* name, const char* mask) {
    if (*mask == '\0')
        return *name == '\0';
    if (*mask == '*')
        return Glob(name, mask + 1) || (*name != '\0' && Glob(name + 1, mask));
    if (*name == '\0')
        return false;
    if (*mask == '?' || Lower(*mask) == Lower(*name))
        return Glob(name + 1, mask + 1);
    return false;
}

}  // namespace

bool MusicFiles::MatchesMask(const std::string& name, const std::string& mask) {
    if (mask == "*.*" || mask == "*")
        return true;
    return Glob(name.c_str(), mask.c_str());
}

std::vector<std::string> MusicFiles::ListMusicFiles(const platform::FileSystem& files,
                                                    const std::string& pattern) {
    const auto cut = pattern.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
    const std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    std::vector<std::string> list;
    if (!files.FolderExists(folder))
        return list;
    std::vector<std::string> subFolders;
    for (const auto& item : files.ListFolder(folder)) {
        if (item.isFolder)
            subFolders.push_back(item.name);
        else if (MatchesMask(item.name, mask))
            list.push_back(item.name);
    }
    for (const auto& sub : subFolders) {
        for (const auto& item : files.ListFolder(folder + sub + "\\")) {
            if (!item.isFolder && MatchesMask(item.name, mask))
                list.push_back(sub + "\\" + item.name);
        }
    }
    return list;
}

}  // namespace chimora
