// Files between the page and the programs. A picture the program saves becomes a download
// of the page (the browser encodes the PNG; this build has no libpng), and a map file the
// person picks or drops on the page reaches the program as a dropped file, exactly as a
// drop onto the native window does.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/drop_files.h"
#include "platform/host.h"
#include "platform/web/web_canvas.h"
#include "platform/window_state.h"

// Under node (the headless driver) there is no page to download to: returns 0.
EM_JS(int, steering_download_png, (const char* name, const uint8_t* rgba, int width, int height), {
    if (typeof document === 'undefined') return 0;
    var canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    var bytes = new Uint8ClampedArray(HEAPU8.subarray(rgba, rgba + width * height * 4));
    canvas.getContext('2d').putImageData(new ImageData(bytes, width, height), 0, 0);
    var fileName = UTF8ToString(name);
    canvas.toBlob(function(blob) {
        var link = document.createElement('a');
        link.href = URL.createObjectURL(blob);
        link.download = fileName;
        document.body.appendChild(link);
        link.click();
        link.remove();
        setTimeout(function() { URL.revokeObjectURL(link.href); }, 10000);
        if (Module.onPicture) Module.onPicture(fileName, blob.size);
    }, 'image/png');
    return 1;
});

namespace win::host {

bool writePng(const std::string& path, const Image& image, std::string* problem) {
    std::vector<uint32_t> rgba(image.pixels.size());  // once per picture a person asks for
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = web::canvasPixel(image.pixels[i]);
    if (!steering_download_png(path.c_str(), reinterpret_cast<const uint8_t*>(rgba.data()), image.width,
                               image.height)) {
        const char* why = "there is no page to download it to";
        if (problem != nullptr) *problem = why;
        else std::fprintf(stderr, "%s: %s\n", path.c_str(), why);
        return false;
    }
    // Picture names are numbered by what the working folder holds: an empty file there
    // makes the next picture take the next number.
    if (FILE* marker = std::fopen(path.c_str(), "wb")) std::fclose(marker);
    return true;
}

}  // namespace win::host

// Called by the page with the path of a file it has just written into the module's file
// system. Returns 1 when the main window has the drop to handle.
extern "C" EMSCRIPTEN_KEEPALIVE int steering_web_drop(const char* path) {
    win::Window* window = win::state().mainWindow;
    if (window == nullptr || path == nullptr) return 0;
    const win::HDROP drop = win::host::makeDrop(path);
    if (drop == nullptr) return 0;
    if (!win::PostMessage(window, win::WM_DROPFILES, reinterpret_cast<win::WPARAM>(drop), 0)) {
        win::DragFinish(drop);
        return 0;
    }
    return 1;
}
