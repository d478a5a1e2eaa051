#include "chimdb/write_batch.h"

#include "chimdb/chim_database.h"
#include "table_io/chim_db_file_io.h"

namespace chimdb {

WriteBatch::WriteBatch(ChimDatabase& database) : io_(&database.FileIO()) {
    io_->BeginBatch();
}

WriteBatch::~WriteBatch() {
    try {
        Finish();
    } catch (...) {
        // Reported by Finish only; the next operation reads the file again.
    }
}

void WriteBatch::Finish() {
    if (io_ == nullptr)
        return;
    ChimDBFileIO* io = io_;
    io_ = nullptr;
    io->EndBatch();
}

}  // namespace chimdb
