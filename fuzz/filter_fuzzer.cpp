// Fuzz target: a filter text as a user may type it. The text is parsed and evaluated through
// the table cursor, as the program applies its filters, over a small table with a field of
// every kind a filter reads. Every text must end in a result or a DatabaseError: never a
// crash, another exception, a hang or memory that grows with the text beyond reason.
// Texts of odd length are evaluated case-insensitively and without partial compare.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chimdb/chim_table.h"
#include "chimdb/database_creator.h"
#include "chimdb/database_error.h"
#include "chimdb/field.h"
#include "chimdb/field_type.h"
#include "chimdb/filter_options.h"
#include "chimdb/memory_stream_registry.h"
#include "fuzz/fuzz_image_file.h"
#include "fuzz/fuzz_password.h"
#include "fuzz/fuzz_schemas.h"

namespace {

// The small table, built once: an image in memory, opened for the whole run.
class SmallTable {
  public:
    SmallTable() : image_(MakeImage()), file_(image_.data(), image_.size()), registration_(file_) {
        table_.SetMediumType(chimdb::ChimDBMediumType::mtMemory);
        table_.SetDatabaseName(registration_.DatabaseName());
        table_.SetTableName("Every");
        table_.SetIndexName("ID");
        table_.SetPassword(chimdb_fuzz::kCorpusPassword);
        table_.Open();
        for (const auto& row : chimdb_fuzz::EveryKindRows()) {
            table_.Append();
            for (const auto& [name, text] : row)
                table_.FieldByName(name).SetAsString(text);
            table_.Post();
        }
    }

    void Apply(const std::string& filter, const chimdb::FilterOptions& options) {
        table_.SetFiltered(false);
        table_.SetFilterOptions(options);
        try {
            table_.SetFilter(filter);
            table_.SetFiltered(true);
            for (table_.First(); !table_.Eof(); table_.Next()) {
            }
        } catch (const chimdb::DatabaseError&) {
        }
        table_.SetFiltered(false);
    }

  private:
    static std::vector<std::uint8_t> MakeImage() {
        return chimdb::DatabaseCreator(chimdb_fuzz::EveryKindSchema()).BuildImage();
    }

    std::vector<std::uint8_t> image_;
    chimdb_fuzz::FuzzImageFile file_;
    chimdb::ScopedMemoryStream registration_;
    chimdb::ChimTable table_;
};

SmallTable& Table() {
    // Never destroyed: the fuzzer ends the process from inside a run.
    static SmallTable* table = new SmallTable();
    return *table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string filter(reinterpret_cast<const char*>(data), size);
    chimdb::FilterOptions options;
    if (size % 2 == 1) {
        options.caseInsensitive = true;
        options.noPartialCompare = true;
    }
    Table().Apply(filter, options);
    return 0;
}
