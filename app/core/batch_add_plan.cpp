#include "app/core/batch_add_plan.h"

#include <cctype>
#include <utility>

#include "app/core/ring_set_saver.h"
#include "app/core/time_of_day.h"
#include "chimdb/write_batch.h"

namespace chimora {

namespace {

constexpr long kSecondsPerDay = 24L * 60 * 60;

}  // namespace

BatchAddPlan::BatchAddPlan(std::string appPath, std::string musicPath,
                           const platform::FileSystem& files)
    : appPath_(std::move(appPath)), musicPath_(std::move(musicPath)), files_(files) {}

std::optional<InputRefusal> BatchAddPlan::Check(const RingForm& form,
                                                const std::vector<std::string>& entries) const {
    using Focus = InputRefusal::Focus;
    if (form.desc.empty())
        return InputRefusal{RingSetSaver::kNoDescription, Focus::Description};
    if (entries.empty())
        return InputRefusal{kEmptyList, Focus::PlayList};
    for (const auto& entry : entries) {
        if (!files_.FileExists(musicPath_ + entry))
            return InputRefusal{RingSetSaver::kFileMissing, Focus::FileChoice};
        if (IsMidi(entry))
            return InputRefusal{kMidiRefused, Focus::Unchanged};
    }
    if (!form.AnyWeek())
        return InputRefusal{RingSetSaver::kNoWeekday, Focus::Unchanged};
    if (auto refusal = RingSetSaver::CheckDescriptionStorable(form.desc))
        return refusal;
    for (const auto& entry : entries) {
        if (auto refusal = RingSetSaver::CheckFileNameStorable(entry))
            return refusal;
    }
    return std::nullopt;
}

void BatchAddPlan::Save(const RingForm& form, const std::vector<std::string>& entries,
                        const std::string& durations, const std::string& startTime,
                        const std::string& plan) {
    const std::vector<std::string> times = EntryTimes(startTime, SplitDurations(durations));
    RingSetSaver::OpenDatabase(chimTable1_, appPath_);
    // The entries reach the file together: another program never reads half a run.
    chimdb::WriteBatch batch(*chimTable1_.Database());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        RingForm entry = form;
        entry.file = entries[i];
        // The durations always match the list; should one be missing, the entry follows on
        // at the end of the known ones rather than being dropped.
        entry.time = i < times.size() ? times[i] : times.back();
        chimTable1_.Append();
        RingSetSaver::SaveFieldData(chimTable1_, "ADD", entry, plan);
        chimTable1_.Post();
    }
    batch.Finish();
}

std::string BatchAddPlan::JoinDurations(const std::vector<long>& seconds) {
    std::string text;
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        if (i > 0)
            text += ',';
        text += std::to_string(seconds[i]);
    }
    return text;
}

std::vector<long> BatchAddPlan::SplitDurations(const std::string& text) {
    std::vector<long> seconds;
    if (text.empty())
        return seconds;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma - start);
        try {
            seconds.push_back(std::stol(part));
        } catch (const std::exception&) {
            seconds.push_back(0);
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return seconds;
}

std::optional<long> BatchAddPlan::SecondsOfDay(const std::string& text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return std::nullopt;
    for (std::size_t i : {0, 1, 3, 4, 6, 7}) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
    }
    const long hour = std::stol(text.substr(0, 2));
    const long minute = std::stol(text.substr(3, 2));
    const long second = std::stol(text.substr(6, 2));
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return hour * 3600 + minute * 60 + second;
}

std::string BatchAddPlan::TimeOfDay(long seconds) {
    seconds %= kSecondsPerDay;
    if (seconds < 0)
        seconds += kSecondsPerDay;
    return TimeText(static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                    static_cast<int>(seconds % 60));
}

std::vector<std::string> BatchAddPlan::EntryTimes(const std::string& startTime,
                                                  const std::vector<long>& seconds) {
    long at = SecondsOfDay(startTime).value_or(0);
    std::vector<std::string> times;
    times.push_back(TimeOfDay(at));
    for (std::size_t i = 0; i + 1 < seconds.size(); ++i) {
        at += seconds[i];
        times.push_back(TimeOfDay(at));
    }
    return times;
}

std::string BatchAddPlan::EndTime(const std::string& startTime, const std::vector<long>& seconds) {
    long at = SecondsOfDay(startTime).value_or(0);
    for (long s : seconds)
        at += s;
    return TimeOfDay(at);
}

bool BatchAddPlan::IsMidi(const std::string& entry) {
    const auto dot = entry.find('.');
    const std::string part = dot == std::string::npos ? entry : entry.substr(dot + 1);
    std::string upper;
    for (char c : part)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper == "MID";
}

}  // namespace chimora
