#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chimdb/file.h"
#include "codec/compress_mgr.h"
#include "codec/encrypt_mgr.h"
#include "format/file_header.h"
#include "format/process_header.h"
#include "format/table_directory.h"
#include "format/table_header.h"

namespace chimdb {

// The fixed start of a database file, read and checked in order: file header, process
// header (selecting the algorithms it names), table directory.
struct Prologue {
    FileHeader fileHeader;
    ProcessHeader processHeader;
    TableDirectory directory;

    // Checks only the 12-byte file header (magic, then version).
    static FileHeader CheckFileHeader(File& file);
    // Reads the whole prologue and selects compression, cipher and mode in the managers.
    static Prologue Read(File& file, CompressMgr& compress, EncryptMgr& encrypt);
    static void SelectAlgorithms(const ProcessHeader& header, CompressMgr& compress,
                                 EncryptMgr& encrypt);

    // The header of table n (0-based, below the table count).
    TableHeader ReadTableHeader(File& file, std::int32_t tableNumber) const;
    void WriteTableHeader(File& file, std::int32_t tableNumber, const TableHeader& header) const;
    // Table names (code page bytes) in directory order.
    std::vector<std::string> TableNames(File& file) const;
};

}  // namespace chimdb
