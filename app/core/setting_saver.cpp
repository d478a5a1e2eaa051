#include "app/core/setting_saver.h"

#include <cctype>
#include <string_view>
#include <utility>
#include <vector>

#include "app/core/time_of_day.h"

namespace chimora {

SettingSaver::SettingSaver(ScheduleLoader& loader, platform::Autorun& autorun,
                           std::string executablePath)
    : loader_(loader), autorun_(autorun), executablePath_(std::move(executablePath)) {}

void SettingSaver::Save(const Values& values) {
    if (values.autoRun)
        autorun_.AddAutoRun(kAutorunName, executablePath_);
    else
        autorun_.DeleteAutoRun(kAutorunName);
    loader_.openChimConfig();
    WriteRow("1", "AUTORUN", values.autoRun ? "1" : "0");
    WriteRow("2", "SHUTDOWN", values.shutDown ? "1" : "0");
    WriteRow("3", "SHUTDOWNDTTM", values.shutDownTime);
    loader_.ChimConfig().Close();
    loader_.LoadConfigData();
}

void SettingSaver::WriteRow(const char* key, const char* sysId, const std::string& value) {
    chimdb::ChimTable& config = loader_.ChimConfig();
    // Without the row an edit would land on whichever record is current; add it instead,
    // so that the main window, which reads rows by SYS_ID, finds the setting again.
    if (config.FindKeyExact({chimdb::FieldValue(key)})) {
        config.Edit();
    } else {
        config.Append();
        config.FieldByName("ID").SetAsString(key);
        config.FieldByName("SYS_ID").SetAsString(sysId);
    }
    config.FieldByName("SYS_VALUE").SetAsString(value);
    config.Post();
}

std::optional<std::string> SettingSaver::ReadShutdownTime(const std::string& stored) {
    std::vector<int> parts;
    std::string digits;
    for (std::size_t i = 0; i <= stored.size(); ++i) {
        if (i < stored.size() && std::isdigit(static_cast<unsigned char>(stored[i]))) {
            digits += stored[i];
            if (digits.size() > 2)
                return std::nullopt;
        } else if (i == stored.size() || stored[i] == ':') {
            if (digits.empty())
                return std::nullopt;
            parts.push_back(std::stoi(digits));
            digits.clear();
        } else {
            return std::nullopt;
        }
    }
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    const int second = parts.size() == 3 ? parts[2] : 0;
    if (parts[0] > 23 || parts[1] > 59 || second > 59)
        return std::nullopt;
    return TimeText(parts[0], parts[1], second);
}

std::string SettingSaver::BadTimeNote(const std::string& stored) {
    const std::string_view pattern = kBadTimeNote;
    const auto at = pattern.find("%s");
    return std::string(pattern.substr(0, at)) + stored + std::string(pattern.substr(at + 2));
}

}  // namespace chimora
