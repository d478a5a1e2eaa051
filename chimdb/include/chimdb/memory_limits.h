#pragma once

#include <cstddef>

// What the store keeps in memory to serve reads without the file, and its bounds. Both are
// process-wide settings; each takes effect for what is kept after it is set.
namespace chimdb {

// Deciphered records kept per open table: at most this many bytes for each table (the
// records, and a slot table of 4 bytes per record number). Default 64 MiB, which holds the
// records of a table of the program's ring entries several times over; 0 keeps none (every
// read goes to the file). A table whose records do not fit keeps those read last.
void SetKeptRecordLimit(std::size_t bytes);
std::size_t KeptRecordLimit();

// Closed tables retained for the next opening of the same table in this process (their
// record lists and kept records), at most this many bytes in all; the table closed longest
// ago goes first. Default 64 MiB; 0 retains none (every opening reads the table anew).
void SetRetainedTableLimit(std::size_t bytes);
std::size_t RetainedTableLimit();
// What the retained tables take now.
std::size_t RetainedTableBytes();

}  // namespace chimdb
