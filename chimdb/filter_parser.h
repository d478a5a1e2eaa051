#pragma once

#include <functional>
#include <memory>
#include <string_view>

namespace chimdb {

class Field;

// Options handed to the filter evaluator.
struct FilterOptions {
    bool caseInsensitive = false;
    bool noPartialCompare = false;
    friend bool operator==(const FilterOptions&, const FilterOptions&) = default;
};

// What a filter expression reads: the fields of the record in the dataset's filter buffer.
class FilterRecordSource {
  public:
    virtual ~FilterRecordSource() = default;
    // The field of that name (any case), nullptr when none.
    virtual Field* FindFilterField(std::string_view name) = 0;
};

// Turns a filter text into something that can be evaluated, and evaluates it against the
// record that the dataset has put into its filter buffer. One parser per dataset.
class FilterParser {
  public:
    virtual ~FilterParser() = default;
    // Parses text (not empty); raises the parse error and keeps nothing on failure.
    virtual void Parse(std::string_view text) = 0;
    // The value of the last parsed expression for the record in the filter buffer.
    virtual bool Evaluate(const FilterOptions& options) = 0;
};

using FilterParserFactory = std::function<std::unique_ptr<FilterParser>(FilterRecordSource&)>;

// The parser every new dataset gets: the one installed by SetFilterParserFactory, or else
// one that refuses every non-empty text with "Type mismatch in expression".
std::unique_ptr<FilterParser> CreateFilterParser(FilterRecordSource& source);
// Installs the factory of the filter language (nullptr: back to the refusing parser).
void SetFilterParserFactory(FilterParserFactory factory);

}  // namespace chimdb
