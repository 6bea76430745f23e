// Builds without libpng (the WebAssembly build, where the page takes its own pictures of
// the canvas) still answer a request for a PNG: with a message and a failure.
#include <cstdio>

#include "platform/host.h"

namespace win::host {

bool writePng(const std::string& path, const Image&, std::string* problem) {
    const char* why = "this build cannot write PNG files (no libpng)";
    if (problem != nullptr) *problem = why;
    else std::fprintf(stderr, "%s: %s\n", path.c_str(), why);
    return false;
}

}  // namespace win::host
