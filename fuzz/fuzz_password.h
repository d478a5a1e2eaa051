#pragma once

// Every enciphered file of the seed corpus is made with this password, so that mutations of
// them reach past the password check into the tables.
namespace chimdb_fuzz {
inline constexpr char kCorpusPassword[] = "Quartzfen47";
}
