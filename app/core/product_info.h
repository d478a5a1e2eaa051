#pragma once

namespace chimora {

// The maker's page that the start-up help opens ("详细请看这里"): the project's web home.
inline constexpr const char* kProductPageUrl = "https://github.com/chimora/chimora#readme";

}  // namespace chimora
