#include "format/prologue.h"

#include <array>

#include "chimdb/database_error.h"
#include "format/file_format.h"

namespace chimdb {

FileHeader Prologue::CheckFileHeader(File& file) {
    std::array<std::uint8_t, format::kFileHeaderSize> bytes{};
    // A file too short to hold the header cannot be one of ours.
    if (file.ReadAt(format::kFileHeaderOffset, bytes) != bytes.size())
        RaiseError(format::kMsgInvalidFile, file.Name());
    FileHeader header = FileHeader::Parse(bytes);
    header.Check(file.Name());
    return header;
}

Prologue Prologue::Read(File& file, CompressMgr& compress, EncryptMgr& encrypt) {
    Prologue prologue;
    prologue.fileHeader = CheckFileHeader(file);

    std::array<std::uint8_t, format::kProcessHeaderSize> process{};
    file.ReadExactly(format::kProcessHeaderOffset, process);
    prologue.processHeader = ProcessHeader::Parse(process, file.Name());
    SelectAlgorithms(prologue.processHeader, compress, encrypt);

    std::array<std::uint8_t, format::kTableDirectorySize> directory{};
    file.ReadExactly(format::kTableDirectoryOffset, directory);
    prologue.directory = TableDirectory::Parse(directory, file.Size(), file.Name());
    return prologue;
}

void Prologue::SelectAlgorithms(const ProcessHeader& header, CompressMgr& compress,
                                EncryptMgr& encrypt) {
    if (header.CompressEnabled)
        compress.SetAlgoName(header.CompressAlgoName);
    if (header.EncryptEnabled) {
        encrypt.SetAlgoName(header.EncryptAlgoName);
        encrypt.SetMode(header.EncryptMode);
    }
}

TableHeader Prologue::ReadTableHeader(File& file, std::int32_t tableNumber) const {
    if (tableNumber < 0 || tableNumber >= directory.tableCount)
        RaiseError(format::kMsgCorrupt, file.Name());
    std::vector<std::uint8_t> bytes(format::kTableHeaderSize);
    file.ReadExactly(directory.tableHeaderOffsets[tableNumber], bytes);
    return TableHeader::Parse(bytes, file.Size(), file.Name());
}

void Prologue::WriteTableHeader(File& file, std::int32_t tableNumber,
                                const TableHeader& header) const {
    if (tableNumber < 0 || tableNumber >= directory.tableCount)
        RaiseError(format::kMsgCorrupt, file.Name());
    std::vector<std::uint8_t> bytes(format::kTableHeaderSize);
    header.Serialize(bytes);
    file.WriteAt(directory.tableHeaderOffsets[tableNumber], bytes);
}

std::vector<std::string> Prologue::TableNames(File& file) const {
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < directory.tableCount; ++i)
        names.push_back(ReadTableHeader(file, i).name);
    return names;
}

}  // namespace chimdb
