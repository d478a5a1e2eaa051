#include "chimdb/database_file_info.h"

#include "codec/compress_mgr.h"
#include "codec/encrypt_mgr.h"
#include "file/disk_file.h"
#include "format/prologue.h"

namespace chimdb {

DatabaseFileInfo DatabaseFileInfo::Read(const std::string& path) {
    DiskFile file(path, DiskFile::Access::ReadOnly);
    CompressMgr compress;
    EncryptMgr encrypt;
    Prologue prologue = Prologue::Read(file, compress, encrypt);
    DatabaseFileInfo info;
    info.version = prologue.fileHeader.version;
    const ProcessHeader& process = prologue.processHeader;
    info.compressed = process.CompressEnabled;
    info.compressAlgoName = process.CompressAlgoName;
    info.enciphered = process.EncryptEnabled;
    info.encryptAlgoName = process.EncryptAlgoName;
    info.encryptMode = process.EncryptMode;
    info.verifyWrites = process.VerifyWrites;
    for (std::int32_t i = 0; i < prologue.directory.tableCount; ++i) {
        TableHeader header = prologue.ReadTableHeader(file, i);
        info.tables.push_back({std::move(header.name), header.RecordCount, header.AutoIncCounter,
                               std::move(header.fields), std::move(header.indexes)});
    }
    return info;
}

}  // namespace chimdb
