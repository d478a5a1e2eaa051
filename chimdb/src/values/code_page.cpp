#include "chimdb/code_page.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "chimdb/database_error.h"
#include "values/code_page_converter.h"
#include "values/code_page_table.h"

namespace chimdb {

namespace {

std::atomic<int> currentCodePage{kDefaultCodePage};

// A converter per thread for the current code page: ICU converters carry state
// and must not be shared between threads.
UConverter& ThreadConverter() {
    thread_local int openedFor = -1;
    thread_local ConverterPtr converter;
    int codePage = currentCodePage.load(std::memory_order_acquire);
    if (!converter || openedFor != codePage) {
        converter = OpenCodePageConverter(codePage);
        if (!converter)
            RaiseError("Code page %s is not supported", std::to_string(codePage));
        openedFor = codePage;
    }
    ucnv_reset(converter.get());
    return *converter;
}

// Whether a text is ASCII in a code page whose ASCII bytes are ASCII: then it is the same
// text in the code page, in UTF-8, and its characters are its bytes.
bool PlainAscii(std::string_view bytes) {
    if (!IsAscii(bytes))
        return false;
    const CodePageTable* table = CodePageTable::Current();
    return table != nullptr && table->AsciiIsIdentity();
}

[[noreturn]] void RefuseText(std::string_view utf8) {
    RaiseError("Text '%s' cannot be stored in the database code page", utf8);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out(utf8.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length,
                  utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status))
        RefuseText(utf8);
    out.resize(length);
    return out;
}

}  // namespace

void SetDatabaseCodePage(int codePage) {
    if (!OpenCodePageConverter(codePage))
        RaiseError("Code page %s is not supported", std::to_string(codePage));
    currentCodePage.store(codePage, std::memory_order_release);
}

int DatabaseCodePage() {
    return currentCodePage.load(std::memory_order_acquire);
}

std::string ToCodePage(std::string_view utf8) {
    if (utf8.empty())
        return {};
    if (PlainAscii(utf8))
        return std::string(utf8);
    std::u16string text = Utf8ToUtf16(utf8);
    UConverter& converter = ThreadConverter();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(&converter, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    ucnv_setFallback(&converter, false);
    std::string out(static_cast<std::size_t>(UCNV_GET_MAX_BYTES_FOR_STRING(
                        text.size(), ucnv_getMaxCharSize(&converter))),
                    '\0');
    int32_t length = ucnv_fromUChars(&converter, out.data(), static_cast<int32_t>(out.size()),
                                     reinterpret_cast<const UChar*>(text.data()),
                                     static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        RefuseText(utf8);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string FromCodePage(std::string_view bytes) {
    if (bytes.empty())
        return {};
    if (const CodePageTable* table = CodePageTable::Current()) {
        if (table->AsciiIsIdentity() && IsAscii(bytes))
            return std::string(bytes);
        std::string utf8;
        utf8.reserve(bytes.size() * 3 / 2);
        if (table->AppendUtf8(bytes, utf8))
            return utf8;
    }
    UConverter& converter = ThreadConverter();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(&converter, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                        &status);
    std::u16string text(bytes.size() * 2 + 2, u'\0');
    int32_t length = ucnv_toUChars(&converter, reinterpret_cast<UChar*>(text.data()),
                                   static_cast<int32_t>(text.size()), bytes.data(),
                                   static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return std::string(bytes.size(), '?');
    std::string utf8;
    icu::UnicodeString(reinterpret_cast<const UChar*>(text.data()), length).toUTF8String(utf8);
    return utf8;
}

std::string_view CutToWidth(std::string_view bytes, std::size_t width) {
    if (bytes.size() <= width)
        return bytes;
    if (PlainAscii(bytes))
        return bytes.substr(0, width);
    UConverter& converter = ThreadConverter();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(&converter, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                        &status);
    const char* begin = bytes.data();
    const char* cursor = begin;
    const char* end = begin + bytes.size();
    std::size_t boundary = 0;
    while (cursor < end) {
        status = U_ZERO_ERROR;
        ucnv_getNextUChar(&converter, &cursor, end, &status);
        if (U_FAILURE(status))
            break;
        auto consumed = static_cast<std::size_t>(cursor - begin);
        if (consumed > width)
            break;
        boundary = consumed;
    }
    return bytes.substr(0, boundary);
}

std::vector<std::size_t> CharacterLengths(std::string_view bytes) {
    std::vector<std::size_t> lengths;
    if (bytes.empty())
        return lengths;
    if (PlainAscii(bytes))
        return std::vector<std::size_t>(bytes.size(), 1);
    lengths.reserve(bytes.size());
    UConverter& converter = ThreadConverter();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(&converter, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                        &status);
    const char* cursor = bytes.data();
    const char* end = cursor + bytes.size();
    while (cursor < end) {
        const char* start = cursor;
        status = U_ZERO_ERROR;
        ucnv_getNextUChar(&converter, &cursor, end, &status);
        if (U_FAILURE(status) || cursor <= start) {
            cursor = start + 1;
            ucnv_reset(&converter);
        }
        lengths.push_back(static_cast<std::size_t>(cursor - start));
    }
    return lengths;
}

bool SameName(std::string_view codePageA, std::string_view codePageB) {
    if (codePageA == codePageB)
        return true;
    icu::UnicodeString a = icu::UnicodeString::fromUTF8(FromCodePage(codePageA));
    icu::UnicodeString b = icu::UnicodeString::fromUTF8(FromCodePage(codePageB));
    return a.caseCompare(b, U_FOLD_CASE_DEFAULT) == 0;
}

}  // namespace chimdb
