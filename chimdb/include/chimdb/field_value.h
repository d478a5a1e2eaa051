#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace chimdb {

// A value handed to a field by generic assignment (key values of a search): nothing, a
// boolean, an integer, a floating-point number or a UTF-8 text. Each field converts it as its
// typed setters do.
class FieldValue {
  public:
    using Storage = std::variant<std::monostate, bool, std::int64_t, double, std::string>;

    FieldValue() = default;
    FieldValue(bool value) : value_(value) {}
    FieldValue(int value) : value_(static_cast<std::int64_t>(value)) {}
    FieldValue(std::int64_t value) : value_(value) {}
    FieldValue(double value) : value_(value) {}
    FieldValue(const char* text) : value_(std::string(text)) {}
    FieldValue(std::string text) : value_(std::move(text)) {}
    FieldValue(std::string_view text) : value_(std::string(text)) {}

    bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
    const Storage& Value() const { return value_; }

  private:
    Storage value_;
};

}  // namespace chimdb
