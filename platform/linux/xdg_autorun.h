#pragma once

#include <string>

#include "platform/autorun.h"

namespace chimora::platform {

// Starts the program with the desktop session through an XDG autostart entry
// "<name>.desktop" in the user's autostart folder, whose Exec is the program's full path.
class XdgAutorun : public Autorun {
  public:
    // The folder from $XDG_CONFIG_HOME/autostart, or ~/.config/autostart.
    XdgAutorun();
    explicit XdgAutorun(std::string autostartFolder);

    void AddAutoRun(const std::string& name, const std::string& data) override;
    void DeleteAutoRun(const std::string& name) override;

    const std::string& Folder() const { return folder_; }

  private:
    std::string folder_;
};

}  // namespace chimora::platform
