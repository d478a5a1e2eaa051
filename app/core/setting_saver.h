#pragma once

#include <optional>
#include <string>

#include "app/core/schedule_loader.h"
#include "platform/autorun.h"

namespace chimora {

// The save of the settings dialog: the autorun entry, then the three settings rows of Config
// found by their keys "1", "2" and "3" in the "ID" index, through the main window's cursor.
class SettingSaver {
  public:
    static constexpr const char* kSaved = "修改成功";
    static constexpr const char* kAutorunName = "Ring";
    // The note shown when the stored shutdown time is no time; %s is the stored text.
    static constexpr const char* kBadTimeNote =
        "'%s' is not a valid date and time\n\n"
        "保存的定时关机时间无法识别，现在显示为00:00:00。请设置正确的关机时间后点击“保存”。";

    struct Values {
        bool autoRun = false;
        bool shutDown = false;
        std::string shutDownTime;  // "hh:mm:ss"
    };

    SettingSaver(ScheduleLoader& loader, platform::Autorun& autorun, std::string executablePath);

    // Writes the autorun entry (an AutorunError ends the save before any row changes), then
    // the rows, then reloads SysConfig. A missing row is added with its key and SYS_ID.
    void Save(const Values& values);

    // The stored shutdown time as "hh:mm:ss", accepting "h:mm" and "h:mm:ss" too; nullopt
    // when it reads as no time of day.
    static std::optional<std::string> ReadShutdownTime(const std::string& stored);
    // kBadTimeNote with the stored text filled in.
    static std::string BadTimeNote(const std::string& stored);

  private:
    void WriteRow(const char* key, const char* sysId, const std::string& value);

    ScheduleLoader& loader_;
    platform::Autorun& autorun_;
    std::string executablePath_;
};

}  // namespace chimora
