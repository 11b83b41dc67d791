#pragma once
// Reading a whole file without blocking on whatever stands at its path.

#include <cstdint>
#include <string>
#include <vector>

// The whole file into `bytes`; returns 0 or errno's cause. Refuses anything but a regular file
// (EISDIR for a folder, EACCES for a device or pipe) without blocking on it.
int ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);
