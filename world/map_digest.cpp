#include "world/map_digest.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "world/grid_map.h"

namespace steering {

namespace {

constexpr char kHeaderStart[] = "# map \"";
constexpr char kDigestWord[] = "\" digest ";

}  // namespace

uint64_t mapBytesDigest(const uint8_t* bytes, std::size_t size) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3u;
    }
    return hash;
}

std::string mapFileDigest(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return "missing";
    // One byte more than a map, so a longer file still digests differently from its first map.
    std::vector<uint8_t> bytes(kMapBytes + 1);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return "missing";
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, mapBytesDigest(bytes.data(), got));
    return text;
}

std::string mapHeaderLine(const std::string& path) {
    return kHeaderStart + path + kDigestWord + mapFileDigest(path.c_str());
}

bool parseMapHeaderLine(const std::string& line, std::string& path, std::string& digest) {
    const std::string start = kHeaderStart;
    if (line.compare(0, start.size(), start) != 0) return false;
    const std::size_t end = line.rfind(kDigestWord);
    if (end == std::string::npos || end < start.size()) return false;
    path = line.substr(start.size(), end - start.size());
    digest = line.substr(end + sizeof kDigestWord - 1);
    while (!digest.empty() && (digest.back() == '\r' || digest.back() == ' ')) digest.pop_back();
    return !digest.empty();
}

}  // namespace steering
