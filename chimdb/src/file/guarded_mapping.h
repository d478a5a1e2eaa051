#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace chimdb {

// A read-only shared mapping of a database file, for the few bytes that every operation
// looks at without the lock (the change stamps, the deleted bytes): reading them from the
// page cache costs no system call. Another program may cut the file shorter at any moment
// (a copy over it does so for an instant), and touching a mapped page past the end of the
// file raises SIGBUS; a copy through this class catches that and reports it as a failed
// read, so the caller reads the file the ordinary way and sees what is really there.
//
// The catch is a process-wide SIGBUS handler, installed at the first copy. Faults anywhere
// else go to the handler that was installed before it, or end the program as they would
// have without it.
class GuardedMapping {
  public:
    GuardedMapping() = default;
    ~GuardedMapping() { Unmap(); }
    GuardedMapping(const GuardedMapping&) = delete;
    GuardedMapping& operator=(const GuardedMapping&) = delete;
    GuardedMapping(GuardedMapping&& other) noexcept;
    GuardedMapping& operator=(GuardedMapping&& other) noexcept;

    // Maps length bytes of the file from its start; the file may be shorter (room to grow).
    // False when the system refuses; the object is then unmapped.
    bool Map(int fd, std::size_t length);
    void Unmap();
    std::size_t Length() const { return length_; }

    // Copies the bytes at offset when they lie inside the mapping and inside the file as it
    // is now; false otherwise, and nothing is to be made of what dst then holds.
    bool Copy(std::int64_t offset, std::span<std::uint8_t> dst) const;

  private:
    const std::uint8_t* base_ = nullptr;
    std::size_t length_ = 0;
};

}  // namespace chimdb
