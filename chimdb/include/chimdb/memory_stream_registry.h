#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chimdb/file.h"

namespace chimdb {

// The in-memory database images that callers hold, each named by a handle. A database of
// medium mtMemory is opened by the name ":" followed by the handle in hexadecimal digits.
// The registry only refers to the images: the caller keeps each one alive until it has
// unregistered it and closed every database opened on it. Thread-safe.
class MemoryStreamRegistry {
  public:
    // Registers an image and returns its handle (never 0).
    static std::uint64_t Register(File& image);
    static void Unregister(std::uint64_t handle);
    // The image of a handle, or nullptr.
    static File* Find(std::uint64_t handle);
    // ":" followed by the handle in upper-case hexadecimal digits.
    static std::string DatabaseName(std::uint64_t handle);
    // The handle a database name stands for: ":" and one or more hexadecimal digits (either
    // case); "Invalid database name '%s'" otherwise.
    static std::uint64_t ParseDatabaseName(std::string_view name);
};

// Registers an image for the lifetime of this object.
class ScopedMemoryStream {
  public:
    explicit ScopedMemoryStream(File& image) : handle_(MemoryStreamRegistry::Register(image)) {}
    ~ScopedMemoryStream() { MemoryStreamRegistry::Unregister(handle_); }
    ScopedMemoryStream(const ScopedMemoryStream&) = delete;
    ScopedMemoryStream& operator=(const ScopedMemoryStream&) = delete;

    std::uint64_t Handle() const { return handle_; }
    std::string DatabaseName() const { return MemoryStreamRegistry::DatabaseName(handle_); }

  private:
    std::uint64_t handle_;
};

}  // namespace chimdb
