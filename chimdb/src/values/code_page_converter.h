#pragma once

#include <unicode/ucnv.h>

#include <memory>

namespace chimdb {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's converter for a Windows code page number (it knows them as "windows-N", "cpN" or
// "ibm-N"); nullptr when ICU has none.
ConverterPtr OpenCodePageConverter(int codePage);

}  // namespace chimdb
