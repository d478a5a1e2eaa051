#include "values/value_compare.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chimdb/code_page.h"
#include "chimdb/database_error.h"
#include "chimdb/field_type.h"
#include "values/ascii_collation.h"
#include "values/code_page_converter.h"
#include "values/code_page_table.h"

namespace chimdb {

namespace {

// Times and date-times closer than this are the same moment.
constexpr double kMomentToleranceMs = 1000.0;

// Texts up to this many UTF-16 units are converted on the stack.
constexpr std::size_t kStackUnits = 256;

int Sign(int value) {
    return (value > 0) - (value < 0);
}

// The locale whose collation orders texts: the user's default locale. A C or POSIX
// environment maps to ICU's en_US_POSIX, whose collation is code point order with every
// letter a primary difference, so that no strength could ignore case; such a user gets
// the root collation (the common order of the Latin script and of Unicode) instead.
icu::Locale CollationLocale() {
    icu::Locale locale = icu::Locale::getDefault();
    if (std::string_view(locale.getVariant()) == "POSIX")
        return icu::Locale::getRoot();
    return locale;
}

// The collator of the user's default locale, built once. Comparisons run on per-thread
// clones, because a collator whose strength differs per call must not be shared.
class CollatorCache {
  public:
    static icu::Collator& ForThread(bool caseInsensitive) {
        thread_local std::unique_ptr<icu::Collator> exact;
        thread_local std::unique_ptr<icu::Collator> ignoringCase;
        std::unique_ptr<icu::Collator>& slot = caseInsensitive ? ignoringCase : exact;
        if (!slot) {
            slot.reset(Master().clone());
            if (!slot)
                RaiseError("Cannot compare texts: no collator for locale '%s'",
                           icu::Locale::getDefault().getName());
            UErrorCode status = U_ZERO_ERROR;
            slot->setAttribute(UCOL_STRENGTH, caseInsensitive ? UCOL_SECONDARY : UCOL_TERTIARY,
                               status);
        }
        return *slot;
    }

    // The order of printable ASCII texts at that strength, learnt once; nullptr where the
    // collator orders them otherwise than character by character.
    static const AsciiCollation* Ascii(bool caseInsensitive) {
        static std::once_flag once[2];
        static std::unique_ptr<AsciiCollation> learnt[2];
        const std::size_t which = caseInsensitive ? 1 : 0;
        std::call_once(once[which], [&] {
            std::unique_ptr<icu::Collator> collator(Master().clone());
            UErrorCode status = U_ZERO_ERROR;
            if (!collator)
                return;
            collator->setAttribute(UCOL_STRENGTH, caseInsensitive ? UCOL_SECONDARY : UCOL_TERTIARY,
                                   status);
            if (U_SUCCESS(status))
                learnt[which] = AsciiCollation::Learn(*collator);
        });
        return learnt[which].get();
    }

  private:
    static const icu::Collator& Master() {
        static std::once_flag once;
        static std::unique_ptr<icu::Collator> master;
        std::call_once(once, [] {
            UErrorCode status = U_ZERO_ERROR;
            master.reset(icu::Collator::createInstance(CollationLocale(), status));
            if (U_FAILURE(status) || !master) {
                status = U_ZERO_ERROR;
                master.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
            }
        });
        if (!master)
            RaiseError("Cannot compare texts: no collator for locale '%s'",
                       icu::Locale::getDefault().getName());
        return *master;
    }
};

// A converter per thread from the database code page to UTF-16 (converters keep state).
UConverter& ThreadDecoder() {
    thread_local ConverterPtr converter;
    thread_local int openedFor = -1;
    const int codePage = DatabaseCodePage();
    if (!converter || openedFor != codePage) {
        converter = OpenCodePageConverter(codePage);
        if (!converter)
            RaiseError("Code page %s is not supported", std::to_string(codePage));
        openedFor = codePage;
    }
    ucnv_reset(converter.get());
    return *converter;
}

// A text converted to UTF-16, on the stack when it is short.
class Utf16Text {
  public:
    explicit Utf16Text(std::string_view bytes) {
        if (bytes.empty())
            return;
        // Every code page byte gives at most two UTF-16 units (one unit per character
        // for the double-byte code pages).
        std::size_t capacity = bytes.size() * 2;
        UChar* target = stack_;
        if (capacity > kStackUnits) {
            heap_.resize(capacity);
            target = heap_.data();
        }
        data_ = target;
        if (const CodePageTable* table = CodePageTable::Current()) {
            length_ = table->ToUtf16(bytes, reinterpret_cast<char16_t*>(target));
            if (length_ >= 0)
                return;
            length_ = 0;
        }
        UConverter& converter = ThreadDecoder();
        UErrorCode status = U_ZERO_ERROR;
        length_ = ucnv_toUChars(&converter, target, static_cast<int32_t>(capacity), bytes.data(),
                                static_cast<int32_t>(bytes.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            // A code page with characters beyond two units per byte: ask for the room.
            capacity = static_cast<std::size_t>(length_);
            heap_.resize(capacity);
            target = heap_.data();
            status = U_ZERO_ERROR;
            ucnv_reset(&converter);
            length_ = ucnv_toUChars(&converter, target, static_cast<int32_t>(capacity),
                                    bytes.data(), static_cast<int32_t>(bytes.size()), &status);
        }
        if (U_FAILURE(status))
            length_ = 0;
        data_ = target;
    }
    Utf16Text(const Utf16Text&) = delete;
    Utf16Text& operator=(const Utf16Text&) = delete;

    const UChar* data() const { return data_; }
    int32_t length() const { return length_; }

    // Units of the first `characters` characters (a surrogate pair is one character).
    int32_t UnitsOfFirstCharacters(int32_t characters) const {
        int32_t offset = 0;
        U16_FWD_N(data_, offset, length_, characters);
        return offset;
    }
    int32_t CharacterCount() const { return u_countChar32(data_, length_); }

  private:
    UChar stack_[kStackUnits];
    std::vector<UChar> heap_;
    const UChar* data_ = stack_;
    int32_t length_ = 0;
};

std::string_view TextWithinWidth(const std::uint8_t* value, std::int32_t width) {
    if (width <= 0)
        return {};
    const auto* begin = reinterpret_cast<const char*>(value);
    const void* nul = std::memchr(begin, 0, static_cast<std::size_t>(width));
    return {begin, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin)
                       : static_cast<std::size_t>(width)};
}

template <typename T>
T Load(const std::uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);  // the record is little-endian like the host
    return value;
}

// The comparison of two ASCII texts by the order learnt from the collator; kNotSimple when
// a text holds anything else or the order is not known.
int CompareAsciiStrings(std::string_view key, std::string_view stored, CompareOptions options) {
    const AsciiCollation* order = CollatorCache::Ascii(options.caseInsensitive);
    const CodePageTable* table = CodePageTable::Current();
    if (order == nullptr || table == nullptr || !table->AsciiIsIdentity())
        return AsciiCollation::kNotSimple;
    // An ASCII key holds one character per byte, and so do the stored bytes it is compared
    // with whenever they are ASCII too (which Compare checks).
    if (options.partial && stored.size() > key.size())
        stored = stored.substr(0, key.size());
    return order->Compare(key, stored);
}

}  // namespace

int CompareCodePageStrings(std::string_view key, std::string_view stored, CompareOptions options) {
    if (options.partial && key.empty())
        return 0;
    // The same text is equal to itself at every strength.
    if (!options.partial && key == stored)
        return 0;
    if (const int ascii = CompareAsciiStrings(key, stored, options);
        ascii != AsciiCollation::kNotSimple)
        return ascii;
    Utf16Text keyText(key);
    Utf16Text storedText(stored);
    int32_t storedLength = storedText.length();
    if (options.partial)
        storedLength = storedText.UnitsOfFirstCharacters(keyText.CharacterCount());
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult result =
        CollatorCache::ForThread(options.caseInsensitive)
            .compare(keyText.data(), keyText.length(), storedText.data(), storedLength, status);
    if (U_FAILURE(status))
        return 0;
    return Sign(static_cast<int>(result));
}

bool CodePageStringsEqual(std::string_view key, std::string_view stored, CompareOptions options) {
    if (!options.partial) {
        if (key == stored)
            return true;
        const AsciiCollation* order = CollatorCache::Ascii(options.caseInsensitive);
        const CodePageTable* table = CodePageTable::Current();
        if (order != nullptr && table != nullptr && table->AsciiIsIdentity()) {
            if (const int equal = order->Equal(key, stored); equal != AsciiCollation::kNotSimple)
                return equal == 1;
        }
    }
    return CompareCodePageStrings(key, stored, options) == 0;
}

int CompareWideStrings(std::u16string_view left, std::u16string_view right, bool caseInsensitive) {
    if (left == right)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult result =
        CollatorCache::ForThread(caseInsensitive)
            .compare(reinterpret_cast<const UChar*>(left.data()), static_cast<int32_t>(left.size()),
                     reinterpret_cast<const UChar*>(right.data()),
                     static_cast<int32_t>(right.size()), status);
    if (U_FAILURE(status))
        return 0;
    return Sign(static_cast<int>(result));
}

std::string CollationSortKey(std::string_view text, bool caseInsensitive) {
    Utf16Text wide(text);
    icu::Collator& collator = CollatorCache::ForThread(caseInsensitive);
    std::string key(static_cast<std::size_t>(wide.length()) * 3 + 16, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        int32_t needed =
            collator.getSortKey(wide.data(), wide.length(), reinterpret_cast<uint8_t*>(key.data()),
                                static_cast<int32_t>(key.size()));
        if (needed <= 0)
            break;
        if (static_cast<std::size_t>(needed) <= key.size()) {
            key.resize(static_cast<std::size_t>(needed));
            return key;
        }
        key.assign(static_cast<std::size_t>(needed), '\0');
    }
    RaiseError("Cannot compare texts: no collation key for a text of %s bytes",
               std::to_string(text.size()));
}

std::u16string WidenCodePage(std::string_view bytes) {
    Utf16Text text(bytes);
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()),
                          static_cast<std::size_t>(text.length()));
}

int CompareNumbers(double left, double right) {
    // NaN sorts before every number and equals itself, so that the order stays total.
    const bool leftNaN = std::isnan(left);
    const bool rightNaN = std::isnan(right);
    if (leftNaN || rightNaN)
        return rightNaN - leftNaN;
    return (left > right) - (left < right);
}

int CompareIntegers(std::int64_t left, std::int64_t right) {
    return (left > right) - (left < right);
}

int CompareBooleans(bool left, bool right) {
    return static_cast<int>(left) - static_cast<int>(right);
}

int CompareDays(std::int32_t leftDay, std::int32_t rightDay) {
    return CompareIntegers(leftDay, rightDay);
}

int CompareMoments(double leftMs, double rightMs) {
    if (!std::isnan(leftMs) && !std::isnan(rightMs) &&
        std::fabs(leftMs - rightMs) < kMomentToleranceMs)
        return 0;
    return CompareNumbers(leftMs, rightMs);
}

int CompareFieldValue(std::uint8_t fieldType, const std::uint8_t* key, const std::uint8_t* stored,
                      std::int32_t width, CompareOptions options) {
    if (IsStringType(fieldType))
        return CompareCodePageStrings(TextWithinWidth(key, width), TextWithinWidth(stored, width),
                                      options);
    switch (static_cast<FieldType>(fieldType)) {
        case FieldType::ftSmallint:
            return CompareIntegers(Load<std::int16_t>(key), Load<std::int16_t>(stored));
        case FieldType::ftWord:
            return CompareIntegers(Load<std::uint16_t>(key), Load<std::uint16_t>(stored));
        case FieldType::ftBoolean:
            return CompareBooleans(Load<std::int16_t>(key) != 0, Load<std::int16_t>(stored) != 0);
        case FieldType::ftInteger:
        case FieldType::ftAutoInc:
        case FieldType::ftDate:
            return CompareIntegers(Load<std::int32_t>(key), Load<std::int32_t>(stored));
        case FieldType::ftTime:
            return CompareMoments(Load<std::int32_t>(key), Load<std::int32_t>(stored));
        case FieldType::ftFloat:
        case FieldType::ftCurrency:
            return CompareNumbers(Load<double>(key), Load<double>(stored));
        case FieldType::ftDateTime:
            return CompareMoments(Load<double>(key), Load<double>(stored));
        case FieldType::ftLargeint:
            return CompareIntegers(Load<std::int64_t>(key), Load<std::int64_t>(stored));
        default:
            return 0;
    }
}

}  // namespace chimdb
