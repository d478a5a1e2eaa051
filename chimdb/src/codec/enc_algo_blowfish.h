#pragma once

#include <memory>

#include "codec/enc_algo_base.h"
#include "codec/enc_blowfish.h"

namespace chimdb {

class EncAlgo_Blowfish : public EncAlgo_Base {
  public:
    EncAlgo_Blowfish() : EncAlgo_Base(std::make_unique<Enc_Blowfish>()) {}
    std::string_view ClassName() const override { return "EncAlgo_Blowfish"; }
};

}  // namespace chimdb
