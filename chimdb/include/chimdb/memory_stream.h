#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace chimdb {

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// A growable byte stream in memory with a position. The position may lie past the end; a
// write there fills the gap with zero bytes. Subclasses hook in before reads and writes.
class MemoryStream {
  public:
    MemoryStream() = default;
    virtual ~MemoryStream();
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // Copies up to count bytes from the position; returns how many were copied.
    virtual std::size_t Read(void* buffer, std::size_t count);
    virtual std::size_t Write(const void* buffer, std::size_t count);
    // Returns the new position. A target before the start is taken as the start.
    virtual std::size_t Seek(std::int64_t offset, SeekOrigin origin);
    virtual void SetSize(std::size_t size);
    virtual std::size_t Size();

    std::size_t Position() const { return position_; }
    // Empties the stream and moves to the start.
    void Clear();
    // Replaces the whole content and moves to the start.
    void Assign(std::span<const std::uint8_t> bytes);
    // The whole content, after any pending load.
    std::span<const std::uint8_t> Content();
    // The memory as it is now, without loading; may be empty.
    const std::uint8_t* Memory() const { return bytes_.data(); }

  protected:
    // Called before any operation that looks at the content.
    virtual void BeforeRead() {}
    // Called before any operation that changes the content.
    virtual void BeforeWrite() {}
    // Direct access for subclasses that fill the content themselves.
    std::vector<std::uint8_t>& Storage() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

}  // namespace chimdb
