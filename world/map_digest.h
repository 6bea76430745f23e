#pragma once
// A map file's fingerprint, so a recording can say which map it was made with and a replay
// can tell when it runs on another one: 64-bit FNV-1a over the file's bytes as they stand.
#include <cstdint>
#include <string>

namespace steering {

// FNV-1a, 64 bits, over `size` bytes.
uint64_t mapBytesDigest(const uint8_t* bytes, std::size_t size);

// The digest of the file at `path` as 16 lower-case hexadecimal digits, or "missing" when
// the file cannot be read (a program then starts on open ground, so that too is a map).
// Reads at most a little more than one map: a longer file is not a map either way.
std::string mapFileDigest(const char* path);

// The recording's header line for a map, without the line end:
//   # map "PATH" digest HEX
std::string mapHeaderLine(const std::string& path);

// Reads such a line back: false when `line` is not one.
bool parseMapHeaderLine(const std::string& line, std::string& path, std::string& digest);

}  // namespace steering
