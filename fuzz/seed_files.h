#pragma once

// Database images of the seed corpus, also used by the store's tests that reproduce the
// faults once found by fuzzing: valid files of the every-kind table, and files damaged in
// the ways that once made reading write into the file, hang or exhaust memory.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chimdb/chim_table.h"
#include "chimdb/database_creator.h"
#include "chimdb/field.h"
#include "chimdb/memory_stream_registry.h"
#include "fuzz/fuzz_image_file.h"
#include "fuzz/fuzz_schemas.h"

namespace chimdb_fuzz {

// Positions in a table header and its slots.
inline constexpr std::size_t kDirectoryOffsets = 2789 + 8;
inline constexpr std::size_t kFieldSlots = 49, kFieldSlotSize = 43, kFieldSizeInSlot = 34;
inline constexpr std::size_t kIndexSlots = 4181, kIndexSlotSize = 78;
inline constexpr std::size_t kIndexTabOffsetInSlot = 66, kHeadRecordInSlot = 70;
inline constexpr std::size_t kResortMarkers = 4805;
// Index numbers of the every-kind table.
inline constexpr std::size_t kStringIndex = 1, kMemoIndex = 2;
// Field number of S.
inline constexpr std::size_t kStringField = 1;

inline std::int32_t GetI32(const std::vector<std::uint8_t>& image, std::size_t at) {
    return static_cast<std::int32_t>(
        std::uint32_t{image.at(at)} | std::uint32_t{image.at(at + 1)} << 8 |
        std::uint32_t{image.at(at + 2)} << 16 | std::uint32_t{image.at(at + 3)} << 24);
}

inline void PutI32(std::vector<std::uint8_t>& image, std::size_t at, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        image.at(at + i) = static_cast<std::uint8_t>(bits >> (8 * i));
}

inline std::size_t TableHeaderAt(const std::vector<std::uint8_t>& image, std::size_t table = 0) {
    return static_cast<std::size_t>(GetI32(image, kDirectoryOffsets + 4 * table));
}

inline std::size_t IndexSlotAt(const std::vector<std::uint8_t>& image, std::size_t index) {
    return TableHeaderAt(image) + kIndexSlots + index * kIndexSlotSize;
}

// The next record after recNo in an index chain of the first table (first block only).
inline std::int32_t NextInChain(const std::vector<std::uint8_t>& image, std::size_t index,
                                std::int32_t recNo) {
    auto block =
        static_cast<std::size_t>(GetI32(image, IndexSlotAt(image, index) + kIndexTabOffsetInSlot));
    return GetI32(image, block + 4 + 8 * static_cast<std::size_t>(recNo) + 4);
}

// Appends rows to the every-kind table of an image through the cursor; extraRows more rows
// with distinct memo texts, and (when deleteOne) one more row that is then deleted.
inline std::vector<std::uint8_t> FillEveryKind(std::vector<std::uint8_t> image, int extraRows,
                                               bool deleteOne) {
    FuzzImageFile file(image.data(), image.size());
    {
        chimdb::ScopedMemoryStream registration(file);
        chimdb::ChimTable table;
        table.SetMediumType(chimdb::ChimDBMediumType::mtMemory);
        table.SetDatabaseName(registration.DatabaseName());
        table.SetTableName("Every");
        table.SetIndexName("ID");
        table.SetPassword(kCorpusPassword);
        table.Open();
        for (const auto& row : EveryKindRows()) {
            table.Append();
            for (const auto& [name, text] : row)
                table.FieldByName(name).SetAsString(text);
            table.FieldByName("BL").SetAsString("\x01\x02 blob " + row.begin()->second);
            table.Post();
        }
        for (int i = 0; i < extraRows; ++i) {
            table.Append();
            table.FieldByName("S").SetAsString("s" + std::to_string((i * 7919) % 1000));
            // Long memo texts that differ only towards their end, in mixed case.
            std::string memo(20000, i % 2 ? 'M' : 'm');
            memo += " memo " + std::to_string((i * 104729) % 100000);
            table.FieldByName("M").SetAsString(memo);
            table.Post();
        }
        if (deleteOne) {
            table.Append();
            table.FieldByName("S").SetAsString("deleted");
            table.Post();
            table.Delete();
        }
        table.Close();
    }
    return file.Image();
}

inline std::vector<std::uint8_t> SeedImage(std::optional<std::string> cipher, std::uint8_t mode,
                                           bool compress) {
    auto empty =
        chimdb::DatabaseCreator(EveryKindSchema(std::move(cipher), mode, compress)).BuildImage();
    return FillEveryKind(std::move(empty), 0, true);
}

// The S chain starts at its second record, so that it misses the first: damage that no
// write of the store leaves behind.
inline std::vector<std::uint8_t> BrokenChainImage() {
    auto image = SeedImage(std::nullopt, 0, false);
    std::size_t head = IndexSlotAt(image, kStringIndex) + kHeadRecordInSlot;
    PutI32(image, head, NextInChain(image, kStringIndex, GetI32(image, head)));
    return image;
}

// The same damage under the store's mark of a modify cut short while it relinked S: the
// chain is to be rebuilt from the stored keys.
inline std::vector<std::uint8_t> ResortMarkedImage() {
    auto image = BrokenChainImage();
    image.at(TableHeaderAt(image) + kResortMarkers + kStringIndex) = 1;
    return image;
}

// Eight bytes inserted into the index tables: every offset behind them now points eight
// bytes early, and the chains read from there are garbage.
inline std::vector<std::uint8_t> InsertedBytesImage(std::size_t at = 0) {
    auto image = SeedImage(std::string("Blowfish"), 1, true);
    if (at == 0)
        at = static_cast<std::size_t>(
                 GetI32(image, IndexSlotAt(image, kStringIndex) + kIndexTabOffsetInSlot)) +
             4 + 8 * 1 + 3;
    image.insert(image.begin() + static_cast<std::ptrdiff_t>(at), 8, 0xFF);
    return image;
}

// The string field S declares size characters (a bit flip away from a sound size).
inline std::vector<std::uint8_t> HugeStringSizeImage(std::int32_t size) {
    auto image = SeedImage(std::nullopt, 0, false);
    PutI32(image,
           TableHeaderAt(image) + kFieldSlots + kStringField * kFieldSlotSize + kFieldSizeInSlot,
           size);
    return image;
}

// Many records with long memo texts, and the memo index marked for a rebuild.
inline std::vector<std::uint8_t> MemoIndexRebuildImage(int records) {
    auto empty = chimdb::DatabaseCreator(EveryKindSchema(std::nullopt, 0, true)).BuildImage();
    auto image = FillEveryKind(std::move(empty), records, false);
    image.at(TableHeaderAt(image) + kResortMarkers + kMemoIndex) = 1;
    return image;
}

// S = c + c + ... with count string constants of 256 characters, added in a balanced tree
// (so that the tree stays low while the text grows).
inline std::string LongConcatenationFilter(std::size_t count) {
    std::vector<std::string> terms(count, "'" + std::string(256, 'a') + "'");
    while (terms.size() > 1) {
        std::vector<std::string> joined;
        for (std::size_t i = 0; i < terms.size(); i += 2)
            joined.push_back(i + 1 < terms.size() ? "(" + terms[i] + "+" + terms[i + 1] + ")"
                                                  : terms[i]);
        terms = std::move(joined);
    }
    return "S = " + terms.front();
}

}  // namespace chimdb_fuzz
