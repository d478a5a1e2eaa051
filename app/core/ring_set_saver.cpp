#include "app/core/ring_set_saver.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <utility>

#include "app/core/schedule_loader.h"
#include "app/core/store_text.h"

namespace chimora {

RingSetSaver::RingSetSaver(std::string appPath, std::string musicPath,
                           const platform::FileSystem& files)
    : appPath_(std::move(appPath)), musicPath_(std::move(musicPath)), files_(files) {}

std::optional<InputRefusal> RingSetSaver::Check(const RingForm& form) const {
    using Focus = InputRefusal::Focus;
    if (form.desc.empty())
        return InputRefusal{kNoDescription, Focus::Description};
    if (form.file.empty())
        return InputRefusal{kNoFile, Focus::FileChoice};
    if (!files_.FileExists(musicPath_ + form.file))
        return InputRefusal{kFileMissing, Focus::FileChoice};
    if (!form.AnyWeek())
        return InputRefusal{kNoWeekday, Focus::Unchanged};
    if (auto refusal = CheckDescriptionStorable(form.desc))
        return refusal;
    return CheckFileNameStorable(form.file);
}

std::optional<InputRefusal> RingSetSaver::CheckDescriptionStorable(const std::string& desc) {
    if (!StoreText::Fits(desc))
        return InputRefusal{kDescriptionNotStorable, InputRefusal::Focus::Description};
    return std::nullopt;
}

std::optional<InputRefusal> RingSetSaver::CheckFileNameStorable(const std::string& file) {
    if (!StoreText::Fits(file))
        return InputRefusal{kFileNameNotStorable, InputRefusal::Focus::FileChoice};
    // A cut name would name another file, or none: refuse it rather than store it.
    if (StoreText::Width(file) > kRingFileWidth)
        return InputRefusal{kFileNameTooLong, InputRefusal::Focus::FileChoice};
    return std::nullopt;
}

void RingSetSaver::OpenDatabase(chimdb::ChimTable& table, const std::string& appPath) {
    ScheduleLoader::OpenTable(table, appPath, "Ring1_7", "ID");
}

void RingSetSaver::Add(const RingForm& form, const std::string& plan) {
    OpenDatabase(chimTable1_, appPath_);
    chimTable1_.Append();
    SaveFieldData(chimTable1_, "ADD", form, plan);
    chimTable1_.Post();
}

bool RingSetSaver::Update(const std::string& id, const RingForm& form) {
    std::int64_t key = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), key);
    if (id.empty() || error != std::errc() || end != id.data() + id.size())
        return false;
    OpenDatabase(chimTable1_, appPath_);
    if (!chimTable1_.FindKeyExact({chimdb::FieldValue(key)}))
        return false;
    chimTable1_.Edit();
    SaveFieldData(chimTable1_, "UPD", form, {});
    chimTable1_.Post();
    return true;
}

void RingSetSaver::SaveFieldData(chimdb::ChimTable& table, const std::string& mode,
                                 const RingForm& form, const std::string& plan) {
    for (int day = 1; day <= 8; ++day) {
        table.FieldByName("WEEK" + std::to_string(day))
            .SetAsString(form.weeks[static_cast<std::size_t>(day - 1)] ? "1" : "0");
    }
    if (mode != "ADD" && mode != "UPD")
        return;
    table.FieldByName("RINGDESC").SetAsString(form.desc);
    table.FieldByName("RINGFILE").SetAsString(form.file);
    table.FieldByName("RINGTIME").SetAsString(form.time);
    table.FieldByName("RINGVOLUME").SetAsInteger(std::clamp(form.volume, 1, 100));
    if (mode == "ADD")
        table.FieldByName("RINGPROJECT").SetAsString(plan);
}

}  // namespace chimora
