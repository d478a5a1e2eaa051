#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include <unicode/coll.h>

namespace chimdb {

// The order that a collator gives texts of printable ASCII characters, learnt from it once,
// so that comparing such texts (names of plans and files, most keys) needs no collator call.
//
// It holds only where the collator orders those texts character by character: each
// character has one collation element of its own (no contraction, expansion or ignorable
// character among them) and no option (numeric order, backwards secondary, shifted
// punctuation) changes that. The order learnt is then checked against the collator on
// thousands of text pairs; where anything disagrees, For gives nullptr and the collator
// compares every text, as it would without this class.
class AsciiCollation {
  public:
    // The order of collator (at its own strength, secondary or tertiary), or nullptr.
    static std::unique_ptr<AsciiCollation> Learn(const icu::Collator& collator);

    // Compares two texts as the collator would: -1, 0, 1; kNotSimple when a byte of either is
    // not one whose order is known.
    static constexpr int kNotSimple = 2;
    int Compare(std::string_view left, std::string_view right) const;
    // Whether two texts are equal as the collator sees them: 1 or 0; kNotSimple as above.
    // Sooner than Compare where the collator tells every two of the characters apart.
    int Equal(std::string_view left, std::string_view right) const;

  private:
    // Weights per level (0: the byte's order is not known); equal weights mean the collator
    // cannot tell the two characters apart at that level.
    using Weights = std::array<std::uint8_t, 128>;

    AsciiCollation() = default;
    bool CheckAgainst(const icu::Collator& collator) const;
    bool Simple(std::string_view text) const;

    Weights primary_{};
    Weights secondary_{};
    Weights tertiary_{};
    bool tertiaryLevel_ = false;
    // No two of the characters are equal at the collator's strength: then two texts are
    // equal exactly when their bytes are.
    bool distinctCharacters_ = false;
};

}  // namespace chimdb
