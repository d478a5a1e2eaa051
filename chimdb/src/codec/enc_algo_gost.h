#pragma once

#include <memory>

#include "codec/enc_algo_base.h"
#include "codec/enc_gost.h"

namespace chimdb {

class EncAlgo_Gost : public EncAlgo_Base {
  public:
    EncAlgo_Gost() : EncAlgo_Base(std::make_unique<Enc_Gost>()) {}
    std::string_view ClassName() const override { return "EncAlgo_Gost"; }
};

}  // namespace chimdb
