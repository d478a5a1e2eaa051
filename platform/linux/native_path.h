#pragma once

#include <string>

namespace chimora::platform {

// Stored paths may separate a sub-folder from the file with a backslash.
inline std::string NativePath(std::string path) {
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

}  // namespace chimora::platform
