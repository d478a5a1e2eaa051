#pragma once

#include <string_view>

namespace chimora::platform {

// Writes every byte to fd, going on where a signal interrupted the call; false when the
// descriptor refuses any part (a full disk, a closed pipe, a full non-blocking socket).
// Async-signal-safe, so that a signal handler may call it; it may change errno.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace chimora::platform
