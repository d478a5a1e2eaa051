#pragma once

#include "codec/data_process_algo.h"

namespace chimdb {

// A compression algorithm with a level of its own scale (see the concrete algorithm).
class CompressAlgo : public DataProcessAlgo {
  public:
    virtual void SetLevel(int level) = 0;
    virtual int Level() const = 0;
};

}  // namespace chimdb
