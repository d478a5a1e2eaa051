#pragma once

#include "codec/data_process_mgr.h"
#include "codec/encrypt_algo.h"

namespace chimdb {

// The encryption of a database: "Encryption algorithm module '%s' not found" for an unknown
// name; progress goes to OnEncryptProgress and OnDecryptProgress. Every encode and decode
// ends with Done, so each field value and each blob is a message of its own starting from
// FB = IV. Every operation raises "General error" when no algorithm is set.
class EncryptMgr : public DataProcessMgr {
  public:
    explicit EncryptMgr(const DataProcessEvents* events = nullptr) : DataProcessMgr(events) {}

    void SetMode(std::uint8_t mode);
    void InitKey(std::string_view passwordBytes);
    void Done();
    // src == dst is allowed.
    void EncodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void DecodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    // A text value up to its terminating zero; the rest of dst is zeros.
    void DecodeText(const std::uint8_t* src, std::uint8_t* dst, std::size_t size);
    void EncodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) override;
    void DecodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) override;

  protected:
    std::optional<FoundAlgo> FindAlgo(std::string_view name) const override;
    std::string_view NotFoundMessage() const override;
    void ConnectProgress(DataProcessAlgo& algo) const override;

  private:
    EncryptAlgo& Cipher() const;
};

}  // namespace chimdb
