#include "file/guarded_mapping.h"

#include <sys/mman.h>

#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>
#include <utility>

namespace chimdb {

namespace {

// What a thread is copying from a mapping right now. Touched by every copy before any fault
// can happen, so the handler never makes the thread's storage come into being.
struct CopyInProgress {
    sigjmp_buf resume;
    const std::uint8_t* begin = nullptr;
    const std::uint8_t* end = nullptr;
    volatile std::sig_atomic_t active = 0;
};

thread_local CopyInProgress copying;

struct sigaction previousAction {};

void PassOn(int number, siginfo_t* info, void* context) {
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
        previousAction.sa_sigaction(number, info, context);
        return;
    }
    if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(number);
        return;
    }
    // Returning re-runs the faulting instruction, which now ends the program as it would
    // have without this handler.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(number, &fallback, nullptr);
}

void OnBusError(int number, siginfo_t* info, void* context) {
    const auto* address = static_cast<const std::uint8_t*>(info->si_addr);
    if (copying.active != 0 && address >= copying.begin && address < copying.end) {
        copying.active = 0;
        siglongjmp(copying.resume, 1);
    }
    PassOn(number, info, context);
}

void InstallHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = &OnBusError;
        sigemptyset(&action.sa_mask);
        // SA_NODEFER: the jump out of the handler leaves SIGBUS unblocked without saving and
        // restoring the signal mask at every copy (which would cost a system call).
        action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        ::sigaction(SIGBUS, &action, &previousAction);
    });
}

}  // namespace

GuardedMapping::GuardedMapping(GuardedMapping&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)), length_(std::exchange(other.length_, 0)) {}

GuardedMapping& GuardedMapping::operator=(GuardedMapping&& other) noexcept {
    if (this != &other) {
        Unmap();
        base_ = std::exchange(other.base_, nullptr);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

bool GuardedMapping::Map(int fd, std::size_t length) {
    Unmap();
    if (length == 0)
        return false;
    InstallHandler();
    void* address = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED)
        return false;
    base_ = static_cast<const std::uint8_t*>(address);
    length_ = length;
    return true;
}

void GuardedMapping::Unmap() {
    if (base_ != nullptr)
        ::munmap(const_cast<std::uint8_t*>(base_), length_);
    base_ = nullptr;
    length_ = 0;
}

bool GuardedMapping::Copy(std::int64_t offset, std::span<std::uint8_t> dst) const {
    if (base_ == nullptr || offset < 0 || static_cast<std::size_t>(offset) > length_ ||
        dst.size() > length_ - static_cast<std::size_t>(offset))
        return false;
    CopyInProgress& state = copying;
    state.begin = base_;
    state.end = base_ + length_;
    if (sigsetjmp(state.resume, 0) != 0)
        return false;  // the file ends before these bytes
    state.active = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(dst.data(), base_ + offset, dst.size());
    std::atomic_signal_fence(std::memory_order_seq_cst);
    state.active = 0;
    return true;
}

}  // namespace chimdb
