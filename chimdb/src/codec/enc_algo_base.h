#pragma once

#include <memory>

#include "codec/encrypt.h"
#include "codec/encrypt_algo.h"

namespace chimdb {

// An encryption algorithm over one block cipher object, created and destroyed with it.
class EncAlgo_Base : public EncryptAlgo {
  public:
    void SetMode(std::uint8_t mode) override { cipher_->SetMode(mode); }
    std::uint8_t Mode() const override { return cipher_->Mode(); }
    void SetPassword(std::string_view passwordBytes) override { cipher_->InitKey(passwordBytes); }
    void Done() override { cipher_->Done(); }
    void EncodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) override {
        cipher_->EncodeBuffer(src, dst, size);
    }
    void DecodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) override {
        cipher_->DecodeBuffer(src, dst, size);
    }
    void DecodeText(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) override {
        cipher_->DecodeText(src, dst, size);
    }
    std::string_view CipherClassName() const override { return cipher_->ClassName(); }

    Encrypt& Cipher() { return *cipher_; }

  protected:
    explicit EncAlgo_Base(std::unique_ptr<Encrypt> cipher) : cipher_(std::move(cipher)) {}

  private:
    std::unique_ptr<Encrypt> cipher_;
};

}  // namespace chimdb
