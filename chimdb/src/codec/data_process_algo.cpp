#include "codec/data_process_algo.h"

namespace chimdb {

DataProcessAlgo::~DataProcessAlgo() = default;

void DataProcessAlgo::FireEncodeProgress(int percent) const {
    if (onEncodeProgress_)
        onEncodeProgress_(this, percent);
}

void DataProcessAlgo::FireDecodeProgress(int percent) const {
    if (onDecodeProgress_)
        onDecodeProgress_(this, percent);
}

int DataProcessAlgo::Percent(std::uint64_t done, std::uint64_t total) {
    if (total == 0)
        return 0;
    return static_cast<int>((done * 200 + total) / (2 * total));
}

}  // namespace chimdb
