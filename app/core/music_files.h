#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace chimora {

// The sound files the dialogs offer: the files of the music folder, then those of each of
// its sub-folders (one level down only) as "sub\name", the form RINGFILE keeps them in.
class MusicFiles {
  public:
    // pattern: folder (ending in "\" or "/") followed by a mask such as "*.*". A missing
    // folder lists nothing. No sorting beyond the order the file system gives, no filtering
    // by extension.
    static std::vector<std::string> ListMusicFiles(const platform::FileSystem& files,
                                                   const std::string& pattern);
    // Whether name matches mask; "*" and "?" are wildcards, "*.*" matches every name, letter
    // case of ASCII letters does not count.
    static bool MatchesMask(const std::string& name, const std::string& mask);
};

}  // namespace chimora
