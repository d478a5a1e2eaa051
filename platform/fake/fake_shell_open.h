#pragma once

#include <string>
#include <vector>

#include "platform/shell_open.h"

namespace chimora::platform {

// Records what would have been opened.
class FakeShellOpen : public ShellOpen {
  public:
    void OpenFolder(const std::string& path) override { folders.push_back(path); }
    void OpenUrl(const std::string& url) override { urls.push_back(url); }

    std::vector<std::string> folders;
    std::vector<std::string> urls;
};

}  // namespace chimora::platform
