#pragma once

#include "platform/shell_open.h"

namespace chimora::platform {

// Hands folders and web pages to the desktop (file manager, default browser).
class QtShellOpen : public ShellOpen {
  public:
    // path in the stored form; a backslash separates a sub-folder.
    void OpenFolder(const std::string& path) override;
    void OpenUrl(const std::string& url) override;
};

}  // namespace chimora::platform
