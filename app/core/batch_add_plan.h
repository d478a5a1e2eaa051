#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/input_refusal.h"
#include "app/core/ring_form.h"
#include "chimdb/chim_table.h"
#include "platform/file_system.h"

namespace chimora {

// A play list turned into consecutive ring entries: each file rings when the ones before it
// have played to their end. Durations are whole seconds, kept as "185,240,97".
class BatchAddPlan {
  public:
    static constexpr const char* kEmptyList = "请添加文件到连续播放列表！";
    static constexpr const char* kMidiRefused =
        "由于mid音乐时长计算问题，目前不支持批量添加，请手动计算后单个添加！";

    BatchAddPlan(std::string appPath, std::string musicPath, const platform::FileSystem& files);

    // The checks of a save, in order. form.file and form.time take no part; entries is the
    // play list, relative to the music folder.
    std::optional<InputRefusal> Check(const RingForm& form,
                                      const std::vector<std::string>& entries) const;

    // Appends and posts one entry per list entry of plan, in list order, the first at
    // startTime ("hh:mm:ss"), each next one the durations of those before it later.
    void Save(const RingForm& form, const std::vector<std::string>& entries,
              const std::string& durations, const std::string& startTime, const std::string& plan);

    // "185,240,97"; empty for no durations.
    static std::string JoinDurations(const std::vector<long>& seconds);
    // The numbers of a durations text; an empty text gives none.
    static std::vector<long> SplitDurations(const std::string& text);
    // The ring time of each entry: start plus the sum of the durations before it, as
    // "hh:mm:ss" of the day, past midnight counted again from 00:00:00.
    static std::vector<std::string> EntryTimes(const std::string& startTime,
                                               const std::vector<long>& seconds);
    // startTime plus the sum of all durations, as a time of day.
    static std::string EndTime(const std::string& startTime, const std::vector<long>& seconds);
    // Whether the part after the first "." (the whole entry without one) reads "MID".
    static bool IsMidi(const std::string& entry);
    // Seconds since midnight of "hh:mm:ss"; nullopt when text is no such time.
    static std::optional<long> SecondsOfDay(const std::string& text);
    static std::string TimeOfDay(long seconds);

    chimdb::ChimTable& ChimTable1() { return chimTable1_; }

  private:
    std::string appPath_;
    std::string musicPath_;
    const platform::FileSystem& files_;
    chimdb::ChimTable chimTable1_;
};

}  // namespace chimora
