#include "table_io/table_record_buffer.h"

#include <cstring>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "file/le_bytes.h"
#include "table_io/chim_table_io.h"

namespace chimdb {

TableRecordBuffer::TableRecordBuffer(const ChimTableIO& table, BlobLoader* loader) {
    const ChimFieldDefs& fields = table.FieldDefs();
    offsets_ = table.FieldOffsets();
    record_.assign(static_cast<std::size_t>(table.RecordSize()), 0);
    blobs_.resize(fields.Count());
    for (std::size_t i = 0; i < fields.Count(); ++i) {
        std::uint8_t type = fields[i].FieldType();
        std::int32_t width = table.FieldWidth(i);
        widths_.push_back(width);
        if (IsBlobType(type)) {
            blobs_[i] = std::make_unique<OptimBlobStream>(loader);
            buffers_.AddBlob(blobs_[i].get(), type, width);
        } else {
            buffers_.Add(record_.data() + offsets_[i], type, width);
        }
    }
}

std::uint8_t* TableRecordBuffer::FieldData(std::size_t fieldNo) {
    if (fieldNo >= offsets_.size() || blobs_[fieldNo])
        RaiseError("List index out of bounds (%s)", std::to_string(fieldNo));
    return record_.data() + offsets_[fieldNo];
}

std::int32_t TableRecordBuffer::FieldWidth(std::size_t fieldNo) const {
    if (fieldNo >= widths_.size())
        RaiseError("List index out of bounds (%s)", std::to_string(fieldNo));
    return widths_[fieldNo];
}

OptimBlobStream& TableRecordBuffer::Blob(std::size_t fieldNo) {
    if (fieldNo >= blobs_.size() || !blobs_[fieldNo])
        RaiseError("List index out of bounds (%s)", std::to_string(fieldNo));
    return *blobs_[fieldNo];
}

void TableRecordBuffer::Clear() {
    std::fill(record_.begin(), record_.end(), 0);
    for (auto& blob : blobs_) {
        if (blob) {
            blob->SetLoadInfo(0, false, false);
            blob->Clear();
        }
    }
}

void TableRecordBuffer::SetString(std::size_t fieldNo, std::string_view codePageBytes) {
    std::uint8_t* data = FieldData(fieldNo);
    auto width = static_cast<std::size_t>(widths_[fieldNo]);
    std::memset(data, 0, width);
    std::string_view cut = CutToWidth(codePageBytes, width - 1);
    std::memcpy(data, cut.data(), cut.size());
}

std::string_view TableRecordBuffer::GetString(std::size_t fieldNo) {
    const auto* text = reinterpret_cast<const char*>(FieldData(fieldNo));
    return {text, strnlen(text, static_cast<std::size_t>(widths_[fieldNo]))};
}

void TableRecordBuffer::SetInt32(std::size_t fieldNo, std::int32_t value) {
    le::PutI32(std::span(FieldData(fieldNo), 4), 0, value);
}

std::int32_t TableRecordBuffer::GetInt32(std::size_t fieldNo) {
    return le::GetI32(std::span(FieldData(fieldNo), 4), 0);
}

void TableRecordBuffer::SetInt16(std::size_t fieldNo, std::int16_t value) {
    auto bits = static_cast<std::uint16_t>(value);
    std::uint8_t* data = FieldData(fieldNo);
    data[0] = static_cast<std::uint8_t>(bits);
    data[1] = static_cast<std::uint8_t>(bits >> 8);
}

void TableRecordBuffer::SetInt64(std::size_t fieldNo, std::int64_t value) {
    auto bits = static_cast<std::uint64_t>(value);
    std::uint8_t* data = FieldData(fieldNo);
    for (int i = 0; i < 8; ++i)
        data[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

void TableRecordBuffer::SetDouble(std::size_t fieldNo, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    SetInt64(fieldNo, static_cast<std::int64_t>(bits));
}

void TableRecordBuffer::SetBlob(std::size_t fieldNo, std::string_view bytes) {
    OptimBlobStream& blob = Blob(fieldNo);
    blob.Clear();
    blob.Write(bytes.data(), bytes.size());
}

std::string TableRecordBuffer::GetBlob(std::size_t fieldNo) {
    auto content = Blob(fieldNo).Content();
    return {reinterpret_cast<const char*>(content.data()), content.size()};
}

}  // namespace chimdb
