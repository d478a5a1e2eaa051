#pragma once

// Reads a whole database image as a program would: every table in record-number order and
// through every index, every field of every record as text. Shared by the open-file fuzz
// target and the store's tests of damaged files.

#include <cstdint>
#include <string>
#include <vector>

#include "chimdb/chim_database.h"
#include "chimdb/chim_table.h"
#include "chimdb/database_error.h"
#include "chimdb/field.h"
#include "chimdb/memory_stream_registry.h"
#include "fuzz/fuzz_password.h"

namespace chimdb_fuzz {

// What reading a database image came to.
struct ReadOutcome {
    bool opened = false;            // the prologue was accepted and the password fitted
    std::size_t tablesRead = 0;     // tables read completely in every order
    std::size_t tablesRefused = 0;  // tables that raised a DatabaseError
    std::size_t records = 0;        // records seen, over all tables and orders
    std::string firstError;         // the first DatabaseError's message
};

inline std::size_t ReadEveryRecord(chimdb::ChimTable& table) {
    std::size_t seen = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        for (std::size_t f = 0; f < table.FieldCount(); ++f)
            (void)table.Fields(f).AsString();
        ++seen;
    }
    return seen;
}

// Opens one table in one order (indexName empty: record-number order) and reads it all.
// Returns the number of records; the names of the table's indexes go to indexNames.
inline std::size_t ReadTableInOrder(const std::string& databaseName, const std::string& tableName,
                                    const std::string& indexName,
                                    std::vector<std::string>* indexNames = nullptr) {
    chimdb::ChimTable table;
    table.SetMediumType(chimdb::ChimDBMediumType::mtMemory);
    table.SetDatabaseName(databaseName);
    table.SetTableName(tableName);
    table.SetIndexName(indexName);
    table.SetPassword(kCorpusPassword);
    table.Open();
    if (indexName.empty())
        table.UseRecordNumberOrder();
    std::size_t seen = ReadEveryRecord(table);
    if (indexNames != nullptr) {
        for (std::size_t i = 0; i < table.IndexDefs().Count(); ++i)
            indexNames->push_back(table.IndexDefs()[i].name);
    }
    table.Close();
    return seen;
}

// Reads everything of the image; DatabaseErrors are counted, every other exception passes.
inline ReadOutcome ReadDatabase(chimdb::File& image) {
    ReadOutcome outcome;
    auto note = [&](const chimdb::DatabaseError& error) {
        if (outcome.firstError.empty())
            outcome.firstError = error.what();
    };
    chimdb::ScopedMemoryStream registration(image);
    const std::string name = registration.DatabaseName();
    chimdb::ChimDatabase database;
    database.SetMediumType(chimdb::ChimDBMediumType::mtMemory);
    database.SetDatabaseName(name);
    database.SetPassword(kCorpusPassword);
    try {
        database.Open();
        outcome.opened = true;
        for (const std::string& table : database.TableNames()) {
            try {
                std::vector<std::string> indexes;
                outcome.records += ReadTableInOrder(name, table, "", &indexes);
                for (const std::string& index : indexes)
                    outcome.records += ReadTableInOrder(name, table, index);
                ++outcome.tablesRead;
            } catch (const chimdb::DatabaseError& error) {
                // One damaged table: the others are still read.
                note(error);
                ++outcome.tablesRefused;
            }
        }
    } catch (const chimdb::DatabaseError& error) {
        note(error);
    } catch (const chimdb::Abort&) {
        // No password prompt is installed: a password that does not fit ends here.
    }
    database.Close();
    return outcome;
}

// Whether some table header of the image carries the store's own mark of a write cut short
// (byte value 1 in the re-sort byte of an index that exists): the one case in which reading
// may write to the file.
inline bool HasResortMark(const std::uint8_t* data, std::size_t size) {
    auto load = [&](std::size_t at) -> std::int32_t {
        if (at + 4 > size)
            return 0;
        return static_cast<std::int32_t>(
            std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 |
            std::uint32_t{data[at + 2]} << 16 | std::uint32_t{data[at + 3]} << 24);
    };
    constexpr std::size_t kDirectory = 2789, kIndexCount = 4177, kMarkers = 4805;
    constexpr std::size_t kTableHeaderSize = 4821;
    std::int32_t tables = load(kDirectory);
    for (std::int32_t t = 0; t < tables && t < 256; ++t) {
        std::int32_t header = load(kDirectory + 8 + 4 * static_cast<std::size_t>(t));
        if (header < 0 || static_cast<std::size_t>(header) + kTableHeaderSize > size)
            continue;
        auto at = static_cast<std::size_t>(header);
        std::int32_t indexes = load(at + kIndexCount);
        for (std::int32_t i = 0; i < indexes && i < 8; ++i) {
            if (data[at + kMarkers + static_cast<std::size_t>(i)] == 1)
                return true;
        }
    }
    return false;
}

}  // namespace chimdb_fuzz
