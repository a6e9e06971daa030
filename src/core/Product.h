#pragma once

namespace ryvo {

inline constexpr const char* kProductName = "Ryvo for Windows";
inline constexpr const char* kContactLine = "Разработка и поддержка: команда Ryvo";

} // namespace ryvo
