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
    info.process = prologue.processHeader;
    for (std::int32_t i = 0; i < prologue.directory.tableCount; ++i)
        info.tables.push_back(prologue.ReadTableHeader(file, i));
    return info;
}

}  // namespace chimdb
