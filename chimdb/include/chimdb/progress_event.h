#pragma once

#include <functional>

namespace chimdb {

// Progress of a compression or cipher run, in percent.
using ProgressEvent = std::function<void(const void* sender, int percent)>;

// The database's four progress handlers; an algorithm fires one only when it is set.
struct DataProcessEvents {
    ProgressEvent OnCompressProgress;
    ProgressEvent OnUncompressProgress;
    ProgressEvent OnEncryptProgress;
    ProgressEvent OnDecryptProgress;
};

}  // namespace chimdb
