#pragma once

#include <memory>

#include "codec/enc_algo_base.h"
#include "codec/enc_twofish.h"

namespace chimdb {

class EncAlgo_Twofish : public EncAlgo_Base {
  public:
    EncAlgo_Twofish() : EncAlgo_Base(std::make_unique<Enc_Twofish>()) {}
    std::string_view ClassName() const override { return "EncAlgo_Twofish"; }
};

}  // namespace chimdb
