// Writes the seed corpus of the fuzz targets: valid database files of every cipher and mode
// (and plain and compressed ones), the damaged files that once made reading write, hang or
// exhaust memory, and filter texts. Run by hand when the corpus should change:
//   chimdb_fuzz_seed_corpus fuzz/corpus
// The files are committed; the fuzz targets and their replay tests read them from there.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chimdb/chim_session_list.h"
#include "chimdb/chim_table.h"
#include "chimdb/database_creator.h"
#include "chimdb/field.h"
#include "chimdb/memory_stream_registry.h"
#include "fuzz/fuzz_image_file.h"
#include "fuzz/fuzz_schemas.h"
#include "fuzz/seed_files.h"

namespace {

namespace fs = std::filesystem;

void Save(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
}

void SaveText(const fs::path& path, const std::string& text) {
    Save(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void WriteFileSeeds(const fs::path& folder) {
    using chimdb_fuzz::SeedImage;
    fs::create_directories(folder);
    Save(folder / "plain.db", SeedImage(std::nullopt, 0, false));
    Save(folder / "compressed.db", SeedImage(std::nullopt, 0, true));
    for (const char* cipher : {"Blowfish", "Twofish", "Gost"}) {
        for (std::uint8_t mode = 0; mode < 5; ++mode) {
            std::string name = std::string(cipher) + "-mode" + std::to_string(mode) + ".db";
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            Save(folder / name, SeedImage(std::string(cipher), mode, mode % 2 == 1));
        }
    }
    Save(folder / "resort-marked.db", chimdb_fuzz::ResortMarkedImage());
    Save(folder / "broken-chain.db", chimdb_fuzz::BrokenChainImage());
    Save(folder / "inserted-bytes.db", chimdb_fuzz::InsertedBytesImage());
    Save(folder / "huge-string-size.db", chimdb_fuzz::HugeStringSizeImage(268435456));
    Save(folder / "huge-string-size-2.db", chimdb_fuzz::HugeStringSizeImage(1348724354));
    Save(folder / "memo-index-rebuild.db", chimdb_fuzz::MemoIndexRebuildImage(150));
}

void WriteFilterSeeds(const fs::path& folder) {
    fs::create_directories(folder);
    SaveText(folder / "plan-and-weekday.txt", "S='abc' AND FC='ab'");
    SaveText(folder / "partial.txt", "S = 'AB*' OR M LIKE '%memo'");
    SaveText(folder / "numbers.txt", "(I + SI) * 2 > W / 3 AND L IN (1, -1, 9000000000)");
    SaveText(folder / "dates.txt",
             "D = '3/5/2024' AND T > '08:00:00' OR DT - '3/5/2024 8:00:00 PM' < 1");
    SaveText(folder / "functions.txt",
             "UPPER(TRIM(S)) = 'ABC' AND SUBSTRING(M, 2, 3) <> LOWER(FC) AND YEAR(D) = 2024 "
             "AND HOUR(T) < MINUTE(DT) + SECOND(DT) OR DAY(GETDATE()) > 0");
    SaveText(folder / "comment-and-names.txt", "/* note */ [S] LIKE 'A_C' AND NOT B = True");
    SaveText(folder / "long-concatenation.txt", chimdb_fuzz::LongConcatenationFilter(64));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    WriteFileSeeds(root / "open_file");
    WriteFilterSeeds(root / "filter");
    chimdb::ChimSessionList::Instance().Shutdown();
    return 0;
}
