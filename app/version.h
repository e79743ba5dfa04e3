// The program's version: shown by the about box and `korvalin --version`, and read by the build for the
// package and the AppStream release (keep the line's form: one quoted number).
#pragma once

namespace krvl {

inline constexpr const char kVersion[] = "1.03";

} // namespace krvl
