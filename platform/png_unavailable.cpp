// Builds without libpng (the WebAssembly build, where the page takes its own pictures of
// the canvas) still answer a request for a PNG: with a message and a failure.
#include <cstdio>

#include "platform/host.h"

namespace win::host {

bool writePng(const std::string& path, const Image&) {
    std::fprintf(stderr, "%s: cannot write PNG files: this build has no libpng\n", path.c_str());
    return false;
}

}  // namespace win::host
