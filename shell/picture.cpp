#include "shell/picture.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/host.h"

namespace shell {

namespace {

constexpr win::WPARAM kPictureKey = 0x7B;  // F12

}  // namespace

std::string nextPictureName(const char* programName) {
    char name[256];
    for (int n = 1; n <= kMaxPictureNumber; ++n) {
        std::snprintf(name, sizeof name, "%s-%04d.png", programName, n);
        struct stat info {};
        if (::lstat(name, &info) != 0) return name;
    }
    return {};
}

bool savePicture(const char* programName, std::string* written) {
    const std::string name = nextPictureName(programName);
    if (name.empty()) {
        std::fprintf(stderr, "%s: no picture saved: %s-0001.png to -%04d.png all exist\n", programName, programName,
                     kMaxPictureNumber);
        return false;
    }
    if (!win::host::writePng(name, win::host::windowImage())) {
        std::fprintf(stderr, "%s: the picture %s could not be written\n", programName, name.c_str());
        return false;
    }
    std::fprintf(stderr, "%s: picture saved as %s\n", programName, name.c_str());
    if (written != nullptr) *written = name;
    return true;
}

bool handlePictureMessage(const char* programName, win::UINT message, win::WPARAM wParam) {
    const bool key = message == win::WM_KEYUP && wParam == kPictureKey;
    const bool command = message == win::WM_COMMAND && win::LOWORD(wParam) == kCommandSavePicture;
    if (!key && !command) return false;
    savePicture(programName);
    return true;
}

}  // namespace shell
