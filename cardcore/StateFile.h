// Writing a driver's state file: a temporary file, then a rename, so a crash never leaves a torn file.
#pragma once

#include <string>

namespace cardcore {

// Creates the folder if needed; false (and the old file untouched) when the write fails.
bool WriteFileAtomic(const std::string& path, const std::string& text);

} // namespace cardcore
