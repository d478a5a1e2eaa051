#pragma once

#include <functional>
#include <string>

namespace chimora {

// Which folder is the program folder (db.dll, music/, the ring log, backups).
// Portable: the executable's own folder holds db.dll (the build output, a copied folder on a
// USB stick), and that folder is used as it is. Installed: otherwise the program is one
// copy shared by all users of the machine, and each user gets a data folder of their own,
// $XDG_DATA_HOME/chimora/ (default ~/.local/share/chimora/), filled from the read-only
// template <prefix>/share/chimora/ that lies beside <prefix>/bin/ of the executable.
class ProgramLayout {
  public:
    enum class Kind { Portable, Installed };
    // Reads an environment variable; empty when it is not set.
    using Environment = std::function<std::string(const char* name)>;

    // executablePath: the running program's full path (symbolic links resolved).
    static ProgramLayout Choose(const std::string& executablePath, const Environment& environment);
    // The process's own environment; HOME falls back to the user's entry in the password
    // database, as a login shell would give it.
    static std::string ProcessEnvironment(const char* name);

    Kind GetKind() const { return kind_; }
    bool Installed() const { return kind_ == Kind::Installed; }
    // With a trailing separator.
    const std::string& ProgramFolder() const { return programFolder_; }
    // Installed only: the package's template folder, with a trailing separator.
    const std::string& TemplateFolder() const { return templateFolder_; }
    // For the first line of the ring log: the layout and its folders.
    std::string Describe() const;

  private:
    ProgramLayout(Kind kind, std::string programFolder, std::string templateFolder);

    Kind kind_;
    std::string programFolder_;
    std::string templateFolder_;
};

}  // namespace chimora
