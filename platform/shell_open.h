#pragma once

#include <string>

namespace chimora::platform {

// Opens a folder in the file manager or a web page in the browser.
class ShellOpen {
  public:
    virtual ~ShellOpen() = default;
    virtual void OpenFolder(const std::string& path) = 0;
    virtual void OpenUrl(const std::string& url) = 0;
};

}  // namespace chimora::platform
