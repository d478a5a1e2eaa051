#include "chimdb/memory_stream_registry.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <mutex>

#include "chimdb/database_error.h"

namespace chimdb {

namespace {

constexpr char kMsgInvalidName[] = "Invalid database name '%s'";

struct Registry {
    std::mutex mutex;
    std::map<std::uint64_t, File*> images;
    std::uint64_t nextHandle = 1;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

std::uint64_t MemoryStreamRegistry::Register(File& image) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::uint64_t handle = registry.nextHandle++;
    registry.images[handle] = &image;
    return handle;
}

void MemoryStreamRegistry::Unregister(std::uint64_t handle) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.images.erase(handle);
}

File* MemoryStreamRegistry::Find(std::uint64_t handle) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.images.find(handle);
    return it == registry.images.end() ? nullptr : it->second;
}

std::string MemoryStreamRegistry::DatabaseName(std::uint64_t handle) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%llX", static_cast<unsigned long long>(handle));
    return std::string(":") + digits;
}

std::uint64_t MemoryStreamRegistry::ParseDatabaseName(std::string_view name) {
    if (name.size() < 2 || name[0] != ':')
        RaiseError(kMsgInvalidName, name);
    std::string_view digits = name.substr(1);
    // Leading zeros do not count towards the 16 digits a handle can have.
    std::size_t first = digits.find_first_not_of('0');
    std::size_t significant = first == std::string_view::npos ? 0 : digits.size() - first;
    if (significant > 16)
        RaiseError(kMsgInvalidName, name);
    std::uint64_t handle = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            RaiseError(kMsgInvalidName, name);
        int value = std::isdigit(static_cast<unsigned char>(c))
                        ? c - '0'
                        : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        handle = handle << 4 | static_cast<std::uint64_t>(value);
    }
    return handle;
}

}  // namespace chimdb
