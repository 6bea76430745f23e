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

bool savePicture(const char* programName, std::string* written, SayLine say) {
    const auto tell = [&](const std::string& line) {
        if (say != nullptr) say(line);
        else std::fprintf(stderr, "%s: %s\n", programName, line.c_str());
    };
    const std::string name = nextPictureName(programName);
    if (name.empty()) {
        char line[160];
        std::snprintf(line, sizeof line, "no picture saved: %s-0001.png to -%04d.png all exist", programName,
                      kMaxPictureNumber);
        tell(line);
        return false;
    }
    std::string problem;
    if (!win::host::writePng(name, win::host::windowImage(), &problem)) {
        tell("no picture saved: " + name + ": " + problem);
        return false;
    }
    tell("picture saved as " + name);
    if (written != nullptr) *written = name;
    return true;
}

bool handlePictureMessage(const char* programName, win::UINT message, win::WPARAM wParam, SayLine say) {
    const bool key = message == win::WM_KEYUP && wParam == kPictureKey;
    const bool command = message == win::WM_COMMAND && win::LOWORD(wParam) == kCommandSavePicture;
    if (!key && !command) return false;
    savePicture(programName, nullptr, say);
    return true;
}

}  // namespace shell
