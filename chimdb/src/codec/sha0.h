#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace chimdb {

// The Secure Hash Algorithm as first published (SHA-0): like SHA-1, but the message
// schedule has no one-bit rotation. Database files use it for the password hash text and
// for the cipher key, so it must stay bit-exact with that original definition.
class HashSha {
  public:
    static constexpr std::size_t kDigestSize = 20;
    using Digest = std::array<std::uint8_t, kDigestSize>;

    HashSha() { Reset(); }

    void Reset();
    void Update(std::span<const std::uint8_t> bytes);
    void Update(std::string_view bytes);
    // Pads the message and returns its digest; the object is reset afterwards.
    Digest Final();

    static Digest Calc(std::string_view bytes);

  private:
    void ProcessBlock(const std::uint8_t* block);

    std::array<std::uint32_t, 5> state_{};
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t messageBytes_ = 0;
};

}  // namespace chimdb
