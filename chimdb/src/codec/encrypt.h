#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace chimdb {

// A block cipher with the store's own five cipher modes. Subclasses supply one-block
// encryption and decryption and the key schedule; the modes, the feedback register and the
// handling of a last partial block live here.
//
// Modes: 0 = block feedback with XOR-ed feedback register, 1 = cipher block chaining,
// 2 = 8-bit cipher feedback, 3 = 8-bit output feedback, 4 = electronic code book (a tail
// shorter than a block stays plain). Any other mode byte transforms nothing: a buffer call
// leaves the destination as it is, so reading such a file gives back the raw stored bytes.
class Encrypt {
  public:
    static constexpr std::size_t kMaxBlockSize = 16;

    virtual ~Encrypt();

    // Class name used in error messages, e.g. "Enc_Blowfish".
    virtual std::string_view ClassName() const = 0;
    virtual std::size_t BlockSize() const = 0;
    // Largest key in bytes.
    virtual std::size_t KeySize() const = 0;

    void SetMode(std::uint8_t mode) { mode_ = mode; }
    std::uint8_t Mode() const { return mode_; }
    bool IsKeyed() const { return keyed_; }

    // Clears the key; IV and FB become all 0xFF.
    void Reset();
    // Keys the cipher with raw key bytes (at most KeySize() are used); IV = E(all 0xFF),
    // FB = IV.
    void Init(std::span<const std::uint8_t> key);
    // Key = SHA-0 digest of the password bytes, then as Init.
    void InitKey(std::string_view passwordBytes);
    // Starts a new message: FB = IV.
    void Done();

    // Transform size bytes; src == dst is allowed. Raise EncryptException before keying.
    void EncodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void DecodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    // A text value: deciphered as DecodeBuffer would, up to the block (or, in the 8-bit
    // feedback modes, the byte) that holds its terminating zero; every byte after the zero
    // is zero.
    // Nothing reads a text past its terminator, and a long field holding a short name is
    // deciphered in a fraction of the time.
    void DecodeText(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);

    // One block, no mode and no feedback involved.
    virtual void EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const = 0;
    virtual void DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const = 0;

    std::span<const std::uint8_t> InitialVector() const { return {iv_.data(), BlockSize()}; }
    std::span<const std::uint8_t> Feedback() const { return {fb_.data(), BlockSize()}; }

  protected:
    // Sets up the key schedule from key bytes (1..KeySize() bytes).
    virtual void SetupKey(std::span<const std::uint8_t> key) = 0;
    // Wipes the key schedule.
    virtual void ClearKey() = 0;

  private:
    void CheckKeyed() const;
    void EncodeMode0(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void DecodeMode0(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void EncodeMode1(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void DecodeMode1(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void EncodeMode2(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void DecodeMode2(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void CodeMode3(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void CodeMode4(const std::uint8_t* src, std::uint8_t* dst, std::size_t size, bool encode);
    // Key stream tail of modes 0 and 1; returns E(FB) in work_.
    void CodeTail(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void WipeWork();

    std::uint8_t mode_ = 0;
    bool keyed_ = false;
    std::array<std::uint8_t, kMaxBlockSize> iv_{};
    std::array<std::uint8_t, kMaxBlockSize> fb_{};
    std::array<std::uint8_t, kMaxBlockSize> work_{};
    // E(IV): the key stream of a value shorter than a block (modes 0 and 1).
    std::array<std::uint8_t, kMaxBlockSize> ivKeyStream_{};
};

}  // namespace chimdb
