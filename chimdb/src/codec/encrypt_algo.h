#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codec/data_process_algo.h"

namespace chimdb {

// An encryption algorithm: buffer transforms plus stream transforms in 4096-byte chunks.
class EncryptAlgo : public DataProcessAlgo {
  public:
    static constexpr std::size_t kChunkSize = 4096;

    virtual void SetMode(std::uint8_t mode) = 0;
    virtual std::uint8_t Mode() const = 0;
    // Derives the key from the password bytes.
    virtual void SetPassword(std::string_view passwordBytes) = 0;
    // Starts a new message: FB = IV.
    virtual void Done() = 0;
    // src == dst is allowed.
    virtual void EncodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) = 0;
    virtual void DecodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) = 0;
    // A text value, deciphered up to its terminating zero; the rest of dst is zeros.
    virtual void DecodeText(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
        DecodeBuffer(src, dst, size);
    }
    // Class name of the block cipher, e.g. "Enc_Blowfish".
    virtual std::string_view CipherClassName() const = 0;

    void EncodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) override;
    void DecodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) override;
    // size < 0 (or larger than the source) means the whole source. The cipher state carries
    // over between chunks, so the result equals one buffer call over the whole source.
    void EncodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst,
                      std::int64_t size);
    void DecodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst,
                      std::int64_t size);

  private:
    void RunStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst,
                   std::int64_t size, bool encode);
};

}  // namespace chimdb
