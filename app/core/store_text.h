#pragma once

#include <string>
#include <string_view>

namespace chimora {

// What typed text becomes in the database file, checked before anything is written: the
// store refuses characters outside its code page (emoji, for one) with an error, and keeps
// at most a field's width in bytes, where a Chinese character takes two.
class StoreText {
  public:
    // Whether every character of text has a place in the database code page.
    static bool Fits(std::string_view text);
    // Bytes text takes in the database code page; only meaningful when it Fits.
    static std::size_t Width(std::string_view text);
    // Text without leading and trailing blanks (spaces, tabs, line breaks).
    static std::string Trim(std::string_view text);
    // The longest beginning of text, whole characters only, that takes at most width bytes
    // in the code page; characters the code page cannot hold are left out.
    static std::string CutToWidth(std::string_view text, std::size_t width);
    // Whole-text comparison with ASCII letters of either case taken as equal.
    static bool SameIgnoringCase(std::string_view a, std::string_view b);
};

}  // namespace chimora
