// PNG output of screen images through libpng.
#include <png.h>

#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/host.h"

namespace win::host {
namespace {

struct FileCloser {
    FILE* file;
    ~FileCloser() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

// libpng reports errors by longjmp; nothing with a destructor may live between setjmp and
// the libpng calls, so the rows are prepared by the caller.
bool encode(FILE* file, const Image& image, std::vector<png_bytep>& rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePng(const std::string& path, const Image& image, std::string* problem) {
    const auto fail = [&](const std::string& why) {
        if (problem != nullptr) *problem = why;
        else std::fprintf(stderr, "writePng: %s: %s\n", path.c_str(), why.c_str());
        return false;
    };
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
        return fail("the image is empty or inconsistent");
    }
    std::vector<png_byte> bytes(static_cast<size_t>(image.width) * image.height * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t p = image.pixels[i];
        bytes[i * 3 + 0] = static_cast<png_byte>((p >> 16) & 0xFF);
        bytes[i * 3 + 1] = static_cast<png_byte>((p >> 8) & 0xFF);
        bytes[i * 3 + 2] = static_cast<png_byte>(p & 0xFF);
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<size_t>(y)] = bytes.data() + static_cast<size_t>(y) * image.width * 3;
    }
    FileCloser closer{std::fopen(path.c_str(), "wb")};
    if (closer.file == nullptr) return fail(std::string("cannot open it for writing: ") + std::strerror(errno));
    if (!encode(closer.file, image, rows)) return fail(std::string("cannot write it: ") + std::strerror(errno));
    if (std::fflush(closer.file) != 0) return fail(std::string("cannot write it: ") + std::strerror(errno));
    return true;
}

}  // namespace win::host
