#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace chimora {

// One plan as it travels between schools: its ring entries and the calendar rules that name
// it, in a JSON file (UTF-8) with the members "format" ("chimora-plan") and "version" (1).
// The file's layout is described in docs/plan-file.md.
class PlanExchange {
  public:
    static constexpr const char* kFormat = "chimora-plan";
    static constexpr int kVersion = 1;
    static constexpr const char* kCalendarTable = "Calendar";
    static constexpr const char* kNothingToExport = "请选择要导出的方案！";
    static constexpr std::uintmax_t kMaxFileBytes = 16 * 1024 * 1024;

    // A file that cannot be imported; what() is the message for the user, in Chinese.
    class Refused : public std::runtime_error {
      public:
        using std::runtime_error::runtime_error;
    };

    struct Entry {
        std::array<std::string, 8> weeks;  // WEEK1 .. WEEK8, "1" or "0"
        std::string desc;
        std::string file;
        std::string time;           // "hh:mm:ss"
        std::optional<int> volume;  // RINGVOLUME; none for an entry without one
        bool operator==(const Entry&) const = default;
    };
    struct Rule {
        std::string dayFrom;  // "YYYY-MM-DD"
        std::string dayTo;
        std::string kind;     // "0" no bells, "1" make-up day, "2" this plan's day
        std::string weekday;  // "1".."7" for a make-up day, else empty
        std::string note;
        bool operator==(const Rule&) const = default;
    };
    struct Plan {
        std::string name;
        std::vector<Entry> entries;
        std::vector<Rule> rules;
        bool operator==(const Plan&) const = default;
    };

    // appPath: the program folder with its trailing separator.
    explicit PlanExchange(std::string appPath);

    // The plan named name, its entries in ring time order and its calendar rules in date
    // order (none when the database has no calendar).
    Plan Read(const std::string& name) const;
    // Writes plan as a new, inactive plan called name: the plan, then its entries, then its
    // rules. The caller has checked the name. Rules are left out when the database has no
    // calendar, and so is a rule over exactly the days of a rule already there; the result
    // says how many were written.
    std::size_t Write(const Plan& plan, const std::string& name) const;
    bool HasCalendar() const;

    static std::string ToJson(const Plan& plan);
    // Reads and checks a plan file's text: everything the tables could not store is refused
    // here, before anything is written. Throws Refused.
    static Plan Parse(const std::string& text);
    // Export: the plan file at path, replaced as a whole. Throws std::runtime_error.
    static void SaveFile(const std::string& path, const std::string& json);
    // Import: the text of the file at path. Throws Refused.
    static std::string LoadFile(const std::string& path);
    // The sound files that the plan's entries name and the music folder lacks, each once.
    static std::vector<std::string> MissingSounds(const Plan& plan,
                                                  const platform::FileSystem& files,
                                                  const std::string& musicPath);

  private:
    std::string appPath_;
};

}  // namespace chimora
