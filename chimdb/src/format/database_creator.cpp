#include "chimdb/database_creator.h"

#include <unistd.h>

#include <limits>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "codec/compress_mgr.h"
#include "codec/encrypt_mgr.h"
#include "codec/password_hash.h"
#include "file/disk_file.h"
#include "format/file_format.h"
#include "format/file_header.h"
#include "format/new_table_header.h"
#include "format/process_header.h"
#include "format/table_directory.h"
#include "values/printable_text.h"

namespace chimdb {

namespace {

constexpr char kCompressAlgoName[] = "ZLIB";
constexpr std::uint8_t kHighestMode = 4;

[[noreturn]] void Refuse(const std::string& message) {
    throw DatabaseError(message);
}

// The name in code page bytes; it must be non-empty and leave room for the NUL.
std::string StoredName(const char* kind, const std::string& name) {
    if (name.empty())
        Refuse(std::string(kind) + " name is empty");
    std::string bytes = ToCodePage(name);
    if (bytes.size() > static_cast<std::size_t>(format::kMaxNameBytes))
        Refuse(std::string(kind) + " name '" + PrintableText(name) + "' is longer than 32 bytes");
    return bytes;
}

template <typename Item>
void RequireUniqueName(const char* kind, const std::vector<Item>& items, const Item& added,
                       const std::string& displayName) {
    for (const Item& item : items) {
        if (SameName(item.name, added.name))
            Refuse("Duplicate " + std::string(kind) + " name '" + PrintableText(displayName) + "'");
    }
}

FieldDefItem BuildField(const std::string& tableName, const FieldSchema& schema) {
    FieldDefItem field{StoredName("Field", schema.name), schema.fieldType, schema.fieldSize,
                       schema.ProcessFlag};
    if (!FieldWidth(schema.fieldType, 1))
        Refuse("Field '" + PrintableText(schema.name) + "' of table '" + PrintableText(tableName) +
               "' has an unknown type");
    if (IsStringType(schema.fieldType) &&
        (schema.fieldSize < 1 || schema.fieldSize >= std::numeric_limits<std::int32_t>::max()))
        Refuse("String field '" + PrintableText(schema.name) + "' of table '" +
               PrintableText(tableName) + "' needs a size of at least 1");
    if (IsStringType(schema.fieldType) && schema.fieldSize > format::kMaxStringFieldSize)
        Refuse("String field '" + PrintableText(schema.name) + "' of table '" +
               PrintableText(tableName) + "' needs a size of at most " +
               std::to_string(format::kMaxStringFieldSize));
    return field;
}

IndexDefItem BuildIndex(const std::string& tableName, const IndexSchema& schema,
                        const std::vector<FieldDefItem>& fields) {
    IndexDefItem index;
    index.name = StoredName("Index", schema.name);
    index.Options = schema.Options;
    const std::string where =
        "Index '" + PrintableText(schema.name) + "' of table '" + PrintableText(tableName) + "'";
    if (schema.fields.empty())
        Refuse(where + " has no key fields");
    if (schema.fields.size() > static_cast<std::size_t>(format::kMaxKeyFields))
        Refuse(where + " has more than 8 key fields");
    for (const std::string& fieldName : schema.fields) {
        std::string stored = ToCodePage(fieldName);
        std::int32_t number = -1;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (SameName(fields[i].name, stored))
                number = static_cast<std::int32_t>(i);
        }
        if (number < 0)
            Refuse(where + " names the unknown field '" + PrintableText(fieldName) + "'");
        for (std::int32_t used : index.fieldNumbers) {
            if (used == number)
                Refuse(where + " names the field '" + PrintableText(fieldName) + "' twice");
        }
        index.fieldNumbers.push_back(number);
    }
    // A new table has no records: no index table yet, and head 0 so that the first
    // record appended is linked without touching the header.
    index.IndexTabOffset = 0;
    index.HeadRecord = 0;
    return index;
}

std::int64_t RecordBytes(const std::vector<FieldDefItem>& fields) {
    std::int64_t size = 0;
    for (const FieldDefItem& field : fields)
        size += *FieldWidth(field.fieldType, field.fieldSize);
    return size;
}

ProcessHeader BuildProcessHeader(const DatabaseSchema& schema) {
    ProcessHeader header;
    if (schema.compress) {
        CompressMgr().SetAlgoName(kCompressAlgoName);
        header.CompressEnabled = true;
        header.CompressAlgoName = kCompressAlgoName;
    }
    if (schema.mode > kHighestMode)
        Refuse("Cipher mode " + std::to_string(schema.mode) + " is out of range 0..4");
    header.EncryptMode = schema.mode;
    if (schema.cipher) {
        EncryptMgr().SetAlgoName(*schema.cipher);  // refuses a name that is not registered
        if (schema.cipher->size() > static_cast<std::size_t>(format::kMaxNameBytes))
            Refuse("Cipher name '" + PrintableText(*schema.cipher) + "' is longer than 32 bytes");
        header.EncryptEnabled = true;
        header.EncryptAlgoName = *schema.cipher;
        header.PasswordHash = PasswordHashText(ToCodePage(schema.password));
    }
    header.VerifyWrites = schema.verifyWrites;
    return header;
}

// Table headers follow the prologue one after the other, in directory order.
std::vector<std::uint8_t> NewFileImage(const ProcessHeader& processHeader,
                                       const std::vector<TableHeader>& tableHeaders) {
    const auto tableCount = static_cast<std::int32_t>(tableHeaders.size());
    std::vector<std::uint8_t> image(
        static_cast<std::size_t>(format::kPrologueEnd + tableCount * format::kTableHeaderSize), 0);
    std::span<std::uint8_t> bytes(image);
    FileHeader::Current().Serialize(
        bytes.subspan(format::kFileHeaderOffset, format::kFileHeaderSize));
    processHeader.Serialize(
        bytes.subspan(format::kProcessHeaderOffset, format::kProcessHeaderSize));
    TableDirectory directory;
    directory.tableCount = tableCount;
    for (std::int32_t i = 0; i < tableCount; ++i) {
        std::int32_t offset = format::kPrologueEnd + i * format::kTableHeaderSize;
        directory.tableHeaderOffsets[i] = offset;
        tableHeaders[i].Serialize(bytes.subspan(offset, format::kTableHeaderSize));
    }
    directory.Serialize(bytes.subspan(format::kTableDirectoryOffset, format::kTableDirectorySize));
    return image;
}

}  // namespace

TableHeader NewTableHeader(const TableSchema& table) {
    TableHeader header;
    header.name = StoredName("Table", table.name);
    if (table.fields.empty())
        Refuse("Table '" + PrintableText(table.name) + "' has no fields");
    if (table.fields.size() > static_cast<std::size_t>(format::kMaxFields))
        Refuse("Table '" + PrintableText(table.name) + "' has more than 96 fields");
    if (table.indexes.size() > static_cast<std::size_t>(format::kMaxIndexes))
        Refuse("Table '" + PrintableText(table.name) + "' has more than 8 indexes");
    for (const FieldSchema& schema : table.fields) {
        FieldDefItem field = BuildField(table.name, schema);
        RequireUniqueName("field", header.fields, field, schema.name);
        header.fields.push_back(std::move(field));
    }
    if (RecordBytes(header.fields) > std::numeric_limits<std::int32_t>::max())
        Refuse("Records of table '" + PrintableText(table.name) + "' are too large");
    for (const IndexSchema& schema : table.indexes) {
        IndexDefItem index = BuildIndex(table.name, schema, header.fields);
        RequireUniqueName("index", header.indexes, index, schema.name);
        header.indexes.push_back(std::move(index));
    }
    return header;
}

DatabaseCreator::DatabaseCreator(DatabaseSchema schema) {
    const ProcessHeader processHeader = BuildProcessHeader(schema);
    if (schema.tables.size() > static_cast<std::size_t>(format::kMaxTables))
        Refuse("A database holds at most 256 tables");
    std::vector<TableHeader> tableHeaders;
    for (const TableSchema& table : schema.tables) {
        TableHeader header = NewTableHeader(table);
        RequireUniqueName("table", tableHeaders, header, table.name);
        tableHeaders.push_back(std::move(header));
    }
    image_ = NewFileImage(processHeader, tableHeaders);
}

std::vector<std::uint8_t> DatabaseCreator::BuildImage() const {
    return image_;
}

void DatabaseCreator::WriteTo(File& file) const {
    file.WriteAt(0, image_);
    file.Sync();
}

void DatabaseCreator::CreateFile(const std::string& path) const {
    DiskFile file = DiskFile::CreateNew(path);
    try {
        file.WriteAt(0, image_);
        file.Sync();
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
}

}  // namespace chimdb
