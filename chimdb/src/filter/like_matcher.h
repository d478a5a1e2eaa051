#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chimdb {

// The LIKE operator of filter expressions. Pattern and text are code-page bytes, widened to
// characters first, so that a double-byte character counts as one. In the pattern "%" stands
// for any run of characters and "_" for exactly one; every other pattern character must equal
// the text character by the store's locale-aware comparison (case ignored on request).
//
// A "%" is tried from the shortest run. When the rest of the pattern is exactly one "%" the
// match succeeds at once; otherwise a "%" only hands the rest of the pattern a text that still
// has characters, so a pattern ending in "%%" needs at least one character there ('A%%' does
// not match "A", but matches "AB").
//
// Matching runs in O(pattern x text) at worst: the classic greedy walk that returns only to
// the most recent "%", never a search over every way to split the text.
class LikeMatcher {
  public:
    LikeMatcher(std::string_view patternBytes, bool caseInsensitive);

    bool Matches(std::string_view textBytes) const;
    // The same on characters already widened (code points).
    bool MatchesCharacters(std::u32string_view text) const;
    // Matching that gives up (nothing) after maxSteps comparisons of a pattern character with
    // a text character; steps grows by the comparisons made.
    std::optional<bool> MatchesWithin(std::string_view textBytes, std::size_t maxSteps,
                                      std::size_t& steps) const;

    // Code-page bytes as code points (a surrogate pair is one character).
    static std::u32string Characters(std::string_view bytes);

  private:
    std::optional<bool> Match(std::u32string_view text, std::size_t maxSteps,
                              std::size_t& steps) const;
    bool SameCharacter(char32_t patternChar, char32_t textChar) const;

    std::u32string pattern_;
    bool caseInsensitive_;
};

}  // namespace chimdb
