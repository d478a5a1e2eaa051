#include "chimdb/filter_parser.h"

#include <mutex>

#include "chimdb/database_error.h"

namespace chimdb {

namespace {

// Until a filter language is installed, an expression cannot be given any type.
class RefusingFilterParser : public FilterParser {
  public:
    void Parse(std::string_view) override { RaiseError("Type mismatch in expression"); }
    bool Evaluate(const FilterOptions&) override { RaiseError("Type mismatch in expression"); }
};

std::mutex& FactoryMutex() {
    static std::mutex mutex;
    return mutex;
}

FilterParserFactory& Factory() {
    static FilterParserFactory factory;
    return factory;
}

}  // namespace

std::unique_ptr<FilterParser> CreateFilterParser(FilterRecordSource& source) {
    FilterParserFactory factory;
    {
        std::lock_guard lock(FactoryMutex());
        factory = Factory();
    }
    if (factory)
        return factory(source);
    return std::make_unique<RefusingFilterParser>();
}

void SetFilterParserFactory(FilterParserFactory factory) {
    std::lock_guard lock(FactoryMutex());
    Factory() = std::move(factory);
}

}  // namespace chimdb
