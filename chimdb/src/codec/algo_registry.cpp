#include "codec/algo_registry.h"

#include "codec/comp_algo_zlib.h"
#include "codec/enc_algo_blowfish.h"
#include "codec/enc_algo_gost.h"
#include "codec/enc_algo_twofish.h"

namespace chimdb {
namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

AlgoRegistry<CompressAlgo>& CompressRegistry() {
    static AlgoRegistry<CompressAlgo>* registry = [] {
        auto* built = new AlgoRegistry<CompressAlgo>;
        built->Register<CompAlgo_Zlib>("ZLIB");
        return built;
    }();
    return *registry;
}

AlgoRegistry<EncryptAlgo>& EncryptRegistry() {
    static AlgoRegistry<EncryptAlgo>* registry = [] {
        auto* built = new AlgoRegistry<EncryptAlgo>;
        built->Register<EncAlgo_Blowfish>("Blowfish");
        built->Register<EncAlgo_Twofish>("Twofish");
        built->Register<EncAlgo_Gost>("Gost");
        return built;
    }();
    return *registry;
}

}  // namespace chimdb
