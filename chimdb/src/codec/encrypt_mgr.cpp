#include "codec/encrypt_mgr.h"

#include "codec/algo_registry.h"

namespace chimdb {
namespace {

// Starts the next message from FB = IV however the transform ended.
class DoneOnExit {
  public:
    explicit DoneOnExit(EncryptAlgo& algo) : algo_(algo) {}
    ~DoneOnExit() { algo_.Done(); }

  private:
    EncryptAlgo& algo_;
};

}  // namespace

std::optional<DataProcessMgr::FoundAlgo> EncryptMgr::FindAlgo(std::string_view name) const {
    auto entry = EncryptRegistry().Find(name);
    if (!entry)
        return std::nullopt;
    return FoundAlgo{entry->className, [create = entry->create] {
                         return std::unique_ptr<DataProcessAlgo>(create());
                     }};
}

std::string_view EncryptMgr::NotFoundMessage() const {
    return "Encryption algorithm module '%s' not found";
}

void EncryptMgr::ConnectProgress(DataProcessAlgo& algo) const {
    algo.SetEncodeProgress(Forwarder(&DataProcessEvents::OnEncryptProgress));
    algo.SetDecodeProgress(Forwarder(&DataProcessEvents::OnDecryptProgress));
}

// Only FindAlgo creates the algorithm, and it creates encryption algorithms only.
EncryptAlgo& EncryptMgr::Cipher() const {
    return static_cast<EncryptAlgo&>(Algo());
}

void EncryptMgr::SetMode(std::uint8_t mode) {
    Cipher().SetMode(mode);
}

void EncryptMgr::InitKey(std::string_view passwordBytes) {
    Cipher().SetPassword(passwordBytes);
}

void EncryptMgr::Done() {
    Cipher().Done();
}

void EncryptMgr::EncodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    EncryptAlgo& cipher = Cipher();
    DoneOnExit done(cipher);
    cipher.EncodeBuffer(src, dst, size);
}

void EncryptMgr::DecodeBuffer(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    EncryptAlgo& cipher = Cipher();
    DoneOnExit done(cipher);
    cipher.DecodeBuffer(src, dst, size);
}

void EncryptMgr::DecodeText(const std::uint8_t* src, std::uint8_t* dst, std::size_t size) {
    EncryptAlgo& cipher = Cipher();
    DoneOnExit done(cipher);
    cipher.DecodeText(src, dst, size);
}

void EncryptMgr::EncodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) {
    EncryptAlgo& cipher = Cipher();
    DoneOnExit done(cipher);
    cipher.EncodeStream(src, dst);
}

void EncryptMgr::DecodeStream(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst) {
    EncryptAlgo& cipher = Cipher();
    DoneOnExit done(cipher);
    cipher.DecodeStream(src, dst);
}

}  // namespace chimdb
