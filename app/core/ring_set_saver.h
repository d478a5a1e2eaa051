#pragma once

#include <optional>
#include <string>

#include "app/core/input_refusal.h"
#include "app/core/ring_form.h"
#include "chimdb/chim_table.h"
#include "platform/file_system.h"

namespace chimora {

// The save of the ring entry editor: its input checks and its writes into Ring1_7 through
// the editor's own cursor.
class RingSetSaver {
  public:
    static constexpr const char* kNoDescription = "请输入铃声描述！";
    static constexpr const char* kNoFile = "请选择铃声文件！";
    static constexpr const char* kFileMissing = "铃声文件不存在，请重新选择！";
    static constexpr const char* kNoWeekday = "星期一到星期日或临时铃声至少选择一项";
    static constexpr const char* kDescriptionNotStorable =
        "铃声描述中有无法保存的字符（例如表情符号），请删除这些字符后再保存！";
    static constexpr const char* kFileNameNotStorable =
        "铃声文件名中有无法保存的字符，请在music目录中给文件改名后再选择！";
    static constexpr const char* kFileNameTooLong =
        "铃声文件的名称太长（最多200个字符，一个汉字算两个字符），请改短后再选择！";
    static constexpr const char* kEntryGone =
        "要修改的铃声记录已经不存在（可能已被删除），没有保存任何修改。请退出后重新选择。";
    static constexpr std::size_t kRingFileWidth = 200;

    RingSetSaver(std::string appPath, std::string musicPath, const platform::FileSystem& files);

    // The checks of a save, in order; the first that fails, or nothing when all pass.
    std::optional<InputRefusal> Check(const RingForm& form) const;

    // A new entry of plan: append, write, post. The store assigns its ID.
    void Add(const RingForm& form, const std::string& plan);
    // Changes the entry whose ID is id (its plan stays). False, with nothing written, when
    // there is no such entry.
    bool Update(const std::string& id, const RingForm& form);

    // Writes the fields of mode "ADD" or "UPD" into the current record, in their order:
    // WEEK1 ... WEEK8, RINGDESC, RINGFILE, RINGTIME, RINGVOLUME and, for "ADD", RINGPROJECT.
    static void SaveFieldData(chimdb::ChimTable& table, const std::string& mode,
                              const RingForm& form, const std::string& plan);
    // The checks of what the store could not keep: characters outside the code page, a
    // file name wider than RINGFILE. Shared with the batch add.
    static std::optional<InputRefusal> CheckDescriptionStorable(const std::string& desc);
    static std::optional<InputRefusal> CheckFileNameStorable(const std::string& file);
    // Ring1_7 by "ID", by the program's open steps.
    static void OpenDatabase(chimdb::ChimTable& table, const std::string& appPath);

    chimdb::ChimTable& ChimTable1() { return chimTable1_; }

  private:
    std::string appPath_;
    std::string musicPath_;
    const platform::FileSystem& files_;
    chimdb::ChimTable chimTable1_;
};

}  // namespace chimora
