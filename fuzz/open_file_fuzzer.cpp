// Fuzz target: a database file as it may arrive damaged. The image is opened as an in-memory
// database with the corpus password, and every table is read through every index (and in
// record-number order), every field of every record as text. A damaged file must end in a
// DatabaseError: never a crash, another exception, a hang or an allocation beyond what the
// file could hold. Reading may write to the file only to finish a write that the store itself
// marked as cut short (the re-sort byte of an index); any other write aborts.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_image_file.h"
#include "fuzz/read_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    chimdb_fuzz::FuzzImageFile file(data, size);
    chimdb_fuzz::ReadDatabase(file);
    if (file.Writes() > 0 && !chimdb_fuzz::HasResortMark(data, size)) {
        std::fprintf(stderr, "reading wrote %d times to a file that asked for no repair\n",
                     file.Writes());
        std::abort();
    }
    return 0;
}
