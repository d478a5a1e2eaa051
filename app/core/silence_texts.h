#pragma once

#include <algorithm>
#include <string>

namespace chimora {

// The user's words for each cause that keeps a bell from ringing, as the status bar and the
// tray icon show them.
class SilenceTexts {
  public:
    static std::string DatabaseUnreadable(const std::string& storeMessage) {
        return "数据库无法读取：" + storeMessage;
    }
    static constexpr const char* kNoActivePlan = "没有启用的方案，不会打铃";
    static constexpr const char* kPlanWithoutEntries = "启用的方案中没有任何打铃项，不会打铃";
    static std::string AudioUnavailable(const std::string& deviceError) {
        return "音频设备不可用：" + deviceError;
    }
    static std::string RingFileMissing(const std::string& ringFile) {
        return "上次打铃失败：找不到铃声文件 " + ringFile;
    }
    static std::string RingFailed(const std::string& playerError) {
        return "上次打铃失败：" + playerError;
    }
    static std::string ShutdownFailed(const std::string& reason) {
        return "定时关机失败：" + reason;
    }
    // The cause alone, without its details: the text up to its first colon or comma.
    static std::string Cause(const std::string& text) {
        std::size_t end = text.size();
        for (const char* mark : {"：", "，"})
            end = std::min(end, text.find(mark));
        return text.substr(0, end);
    }
    // ntpEnabled: whether time sync is switched on (then it has not succeeded yet).
    static std::string ClockNotSynchronised(bool ntpEnabled) {
        return ntpEnabled ? "时钟未同步：已开启网络时间同步但尚未成功，请检查网络连接"
                          : "时钟未同步：请开启网络时间同步（timedatectl set-ntp true）";
    }
};

}  // namespace chimora
