#include "values/code_page_table.h"

#include <map>
#include <mutex>

#include "chimdb/code_page.h"
#include "values/code_page_converter.h"

namespace chimdb {

ConverterPtr OpenCodePageConverter(int codePage) {
    const std::string number = std::to_string(codePage);
    for (const std::string& name : {"windows-" + number, "cp" + number, "ibm-" + number}) {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr converter(ucnv_open(name.c_str(), &status));
        if (U_SUCCESS(status) && converter)
            return converter;
    }
    return nullptr;
}

namespace {

// Single- and double-byte code pages without shift states: there a byte is a character or
// the first of two, and a character's bytes mean the same wherever it stands.
bool TableFits(int codePage) {
    ConverterPtr converter = OpenCodePageConverter(codePage);
    if (!converter || ucnv_getMaxCharSize(converter.get()) > 2)
        return false;
    switch (ucnv_getType(converter.get())) {
        case UCNV_SBCS:
        case UCNV_DBCS:
        case UCNV_MBCS:
            return true;
        default:
            return false;
    }
}

void AppendUtf8Unit(char16_t unit, std::string& out) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | unit >> 6);
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | unit >> 12);
        out += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

}  // namespace

const CodePageTable* CodePageTable::For(int codePage) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePageTable>> tables;
    std::lock_guard lock(mutex);
    auto found = tables.find(codePage);
    if (found == tables.end()) {
        std::unique_ptr<CodePageTable> table;
        if (TableFits(codePage))
            table.reset(new CodePageTable(codePage));
        found = tables.emplace(codePage, std::move(table)).first;
    }
    return found->second.get();
}

const CodePageTable* CodePageTable::Current() {
    thread_local int learntFor = -1;
    thread_local const CodePageTable* table = nullptr;
    const int codePage = DatabaseCodePage();
    if (learntFor != codePage) {
        table = For(codePage);
        learntFor = codePage;
    }
    return table;
}

CodePageTable::CodePageTable(int codePage) : codePage_(codePage) {
    LearnSingleBytes();
}

CodePageTable::~CodePageTable() {
    for (auto& row : rows_)
        delete row.load();
}

char16_t CodePageTable::ConvertAlone(const char* bytes, std::size_t size) const {
    ConverterPtr converter = OpenCodePageConverter(codePage_);
    if (!converter)
        return kUnknown;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    UChar units[4];
    const int32_t length =
        ucnv_toUChars(converter.get(), units, 4, bytes, static_cast<int32_t>(size), &status);
    if (status == U_TRUNCATED_CHAR_FOUND && size == 1)
        return kLeadByte;
    if (U_FAILURE(status) || length != 1 || units[0] >= kUnknown || (units[0] & 0xF800) == 0xD800)
        return kUnknown;
    return units[0];
}

void CodePageTable::LearnSingleBytes() {
    asciiIdentity_ = true;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        single_[static_cast<std::size_t>(b)] = ConvertAlone(&byte, 1);
        if (b < 0x80 && single_[static_cast<std::size_t>(b)] != b)
            asciiIdentity_ = false;
    }
}

std::unique_ptr<CodePageTable::Row> CodePageTable::LearnRow(std::uint8_t lead) const {
    auto row = std::make_unique<Row>();
    for (int trail = 0; trail < 256; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        (*row)[static_cast<std::size_t>(trail)] = ConvertAlone(pair, 2);
    }
    return row;
}

const CodePageTable::Row& CodePageTable::RowOf(std::uint8_t lead) const {
    std::atomic<const Row*>& slot = rows_[lead];
    const Row* row = slot.load(std::memory_order_acquire);
    if (row != nullptr)
        return *row;
    std::unique_ptr<Row> learnt = LearnRow(lead);
    if (slot.compare_exchange_strong(row, learnt.get(), std::memory_order_acq_rel))
        return *learnt.release();
    return *row;  // another thread learnt it first
}

template <typename Emit>
bool CodePageTable::Decode(std::string_view bytes, Emit emit) const {
    const auto* at = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* end = at + bytes.size();
    while (at < end) {
        const char16_t unit = single_[*at];
        if (unit < kUnknown) {
            emit(unit);
            ++at;
            continue;
        }
        if (unit != kLeadByte || end - at < 2)
            return false;
        const char16_t pair = RowOf(at[0])[at[1]];
        if (pair >= kUnknown)
            return false;
        emit(pair);
        at += 2;
    }
    return true;
}

bool CodePageTable::AppendUtf16(std::string_view bytes, std::u16string& out) const {
    const std::size_t size = out.size();
    if (Decode(bytes, [&](char16_t unit) { out += unit; }))
        return true;
    out.resize(size);
    return false;
}

bool CodePageTable::AppendUtf8(std::string_view bytes, std::string& out) const {
    const std::size_t size = out.size();
    if (Decode(bytes, [&](char16_t unit) { AppendUtf8Unit(unit, out); }))
        return true;
    out.resize(size);
    return false;
}

std::int32_t CodePageTable::ToUtf16(std::string_view bytes, char16_t* out) const {
    std::int32_t length = 0;
    if (!Decode(bytes, [&](char16_t unit) { out[length++] = unit; }))
        return -1;
    return length;
}

}  // namespace chimdb
