// DirectDraw set-up as the programs do it, each step failing on request, the colour fill,
// the paint blit onto the window, and PNG output of what is shown.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>

#include "tests/platform/test_window.h"

using namespace win;
using platform_test::makeProgramWindow;

namespace {

struct Presentation {
    LPDIRECTDRAW dd = nullptr;
    LPDIRECTDRAW2 dd2 = nullptr;
    LPDIRECTDRAWSURFACE primary = nullptr;
    LPDIRECTDRAWSURFACE offscreen = nullptr;
    LPDIRECTDRAWCLIPPER clipper = nullptr;
    HDC dc = nullptr;
    DDSURFACEDESC primaryDesc{};

    // The programs' set-up order; returns 0 on success or the number of the failed step.
    int init(HWND window) {
        if (DirectDrawCreate(nullptr, &dd, nullptr) != DD_OK) return 1;
        if (dd->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd2)) != S_OK) return 2;
        if (dd2 == nullptr) return 11;
        if (dd2->SetCooperativeLevel(window, DDSCL_NORMAL) != DD_OK) return 3;
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        if (dd2->CreateSurface(&desc, &primary, nullptr) != DD_OK) return 4;
        primaryDesc.dwSize = 108;
        if (primary->GetSurfaceDesc(&primaryDesc) != DD_OK) return 5;
        desc = DDSURFACEDESC{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        desc.dwHeight = 480;
        desc.dwWidth = 640;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_OWNDC;
        if (dd2->CreateSurface(&desc, &offscreen, nullptr) != DD_OK) return 6;
        if (offscreen->GetDC(&dc) != DD_OK) return 7;
        if (dd2->CreateClipper(0, &clipper, nullptr) != DD_OK) return 8;
        if (clipper->SetHWnd(0, window) != DD_OK) return 9;
        if (primary->SetClipper(clipper) != DD_OK) return 10;
        return 0;
    }
    void shutdown() {
        if (clipper) clipper->Release();
        if (offscreen) offscreen->Release();
        if (primary) primary->Release();
        if (dd2) dd2->Release();
        if (dd) dd->Release();
    }
    void fill(DWORD colour) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = colour;
        ASSERT_EQ(offscreen->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    }
    // The paint handler of the programs.
    void paint(HWND window) {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        RECT rect;
        GetClientRect(window, &rect);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        OffsetRect(&rect, origin.x, origin.y);
        if (primary != nullptr) {
            primary->Blt(&rect, offscreen, nullptr, DDBLT_WAIT, nullptr);
        }
        EndPaint(window, &ps);
    }
};

uint32_t clientPixel(int x, int y) { return host::clientImage().pixels[static_cast<size_t>(y) * 640 + x]; }

}  // namespace

TEST(Presentation, SetUpSucceedsAndDescribesThirtyTwoBitSurfaces) {
    HWND window = makeProgramWindow();
    Presentation p;
    ASSERT_EQ(p.init(window), 0);
    EXPECT_EQ(p.primaryDesc.dwSize, 108u);
    EXPECT_EQ(p.primaryDesc.ddpfPixelFormat.dwRGBBitCount, 32u);
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    ASSERT_EQ(p.offscreen->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_EQ(desc.dwHeight, 480u);
    EXPECT_EQ(desc.lPitch, 640 * 4);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0x00FF0000u);
    EXPECT_EQ(desc.ddsCaps.dwCaps, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_OWNDC);
    HDC again = nullptr;
    ASSERT_EQ(p.offscreen->GetDC(&again), DD_OK);
    EXPECT_EQ(again, p.dc) << "an own-DC surface keeps one device context";
    p.shutdown();
}

TEST(Presentation, EachStepCanBeMadeToFail) {
    for (int step = 1; step <= 11; ++step) {
        host::failPresentationStep(step);
        HWND window = makeProgramWindow();
        Presentation p;
        EXPECT_EQ(p.init(window), step) << "step " << step;
        p.shutdown();  // releases only what exists
        DestroyWindow(window);
    }
    host::failPresentationStep(0);
    HWND window = makeProgramWindow();
    Presentation p;
    EXPECT_EQ(p.init(window), 0);
    p.shutdown();
}

TEST(Presentation, WrongInterfaceAndBadDescriptionsAreRefused) {
    LPDIRECTDRAW dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    const IID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(dd->QueryInterface(other, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    LPDIRECTDRAW2 dd2 = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd2)), S_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = 108;
    desc.dwFlags = DDSD_CAPS;  // an off-screen surface without a size
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    LPDIRECTDRAWSURFACE surface = nullptr;
    EXPECT_EQ(dd2->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface, nullptr);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = 100000;
    desc.dwHeight = 10;
    EXPECT_EQ(dd2->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd2->SetCooperativeLevel(nullptr, 0x11), DDERR_INVALIDPARAMS);
    dd2->Release();
    dd->Release();
}

TEST(Presentation, ColourFillThenPaintShowsTheFrame) {
    HWND window = makeProgramWindow();
    Presentation p;
    ASSERT_EQ(p.init(window), 0);
    p.fill(0x000000);
    p.fill(0xFFFFFF);
    HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
    SelectObject(p.dc, green);
    Rectangle(p.dc, 0, 0, 18, 18);
    InvalidateRect(window, nullptr, FALSE);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(msg.message, WM_PAINT);
    p.paint(window);
    EXPECT_EQ(clientPixel(0, 0), 0x000000u) << "outline in the default black pen";
    EXPECT_EQ(clientPixel(5, 5), 0x00C800u) << "interior in the brush";
    EXPECT_EQ(clientPixel(18, 5), 0xFFFFFFu) << "white fill";
    EXPECT_EQ(clientPixel(639, 479), 0xFFFFFFu);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    p.shutdown();
    DeleteObject(green);
}

TEST(Presentation, BlitLandsOnlyInsideTheClientArea) {
    HWND window = makeProgramWindow();
    Presentation p;
    ASSERT_EQ(p.init(window), 0);
    p.fill(0xFFFFFF);
    p.paint(window);
    p.fill(0x0000FF);
    // A destination shifted half out of the client area (as if the window were partly off
    // screen): only the part inside is written, with the source's top-left at the shift.
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT shifted{origin.x + 320, origin.y + 240, origin.x + 960, origin.y + 720};
    ASSERT_EQ(p.primary->Blt(&shifted, p.offscreen, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(clientPixel(319, 239), 0xFFFFFFu);
    EXPECT_EQ(clientPixel(320, 240), 0x0000FFu);
    EXPECT_EQ(clientPixel(639, 479), 0x0000FFu);
    EXPECT_EQ(clientPixel(100, 400), 0xFFFFFFu);
    p.shutdown();
}

TEST(Presentation, PaintWithoutPrimaryStillValidates) {
    host::failPresentationStep(4);
    HWND window = makeProgramWindow();
    Presentation p;
    EXPECT_EQ(p.init(window), 4);
    InvalidateRect(window, nullptr, FALSE);
    p.paint(window);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    p.shutdown();
}

TEST(Presentation, ScreenIsKeptAfterTheWindowIsDestroyed) {
    HWND window = makeProgramWindow();
    Presentation p;
    ASSERT_EQ(p.init(window), 0);
    p.fill(0xFF8248);
    p.paint(window);
    DestroyWindow(window);
    const host::Image client = host::clientImage();
    ASSERT_EQ(client.width, 640);
    EXPECT_EQ(client.pixels[1234], 0xFF8248u);
    const host::Image whole = host::windowImage();
    EXPECT_EQ(whole.height, 500);
    EXPECT_EQ(whole.pixels[static_cast<size_t>(499) * 640], 0xFF8248u);
    p.shutdown();
}

TEST(Presentation, PngOfTheWindowReadsBackIdentically) {
    HWND window = makeProgramWindow();
    Presentation p;
    ASSERT_EQ(p.init(window), 0);
    p.fill(0xFFFFFF);
    HBRUSH orange = CreateSolidBrush(RGB(255, 130, 72));
    SelectObject(p.dc, orange);
    DeleteObject(orange);  // freed when the surface lets go of it
    Ellipse(p.dc, 100, 100, 200, 180);
    p.paint(window);
    const host::Image image = host::windowImage();
    const std::string path = ::testing::TempDir() + "platform_window.png";
    ASSERT_TRUE(host::writePng(path, image));

    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&read, path.c_str()));
    read.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(read));
    ASSERT_TRUE(png_image_finish_read(&read, nullptr, bytes.data(), 0, nullptr));
    ASSERT_EQ(static_cast<int>(read.width), image.width);
    ASSERT_EQ(static_cast<int>(read.height), image.height);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t p2 = (static_cast<uint32_t>(bytes[i * 3]) << 16) | (bytes[i * 3 + 1] << 8) | bytes[i * 3 + 2];
        ASSERT_EQ(p2, image.pixels[i]) << i;
    }
    std::remove(path.c_str());
    p.shutdown();
}

TEST(Presentation, PngToAnUnwritablePlaceFails) {
    host::Image image{2, 2, {0, 0, 0, 0}};
    EXPECT_FALSE(host::writePng("/nonexistent-folder/x.png", image));
    // With somewhere to put it, the reason comes back, the system's own words included.
    std::string problem;
    EXPECT_FALSE(host::writePng("/nonexistent-folder/x.png", image, &problem));
    EXPECT_EQ(problem, "cannot open it for writing: No such file or directory");
    host::Image inconsistent{3, 3, {0}};
    EXPECT_FALSE(host::writePng(::testing::TempDir() + "bad.png", inconsistent, &problem));
    EXPECT_EQ(problem, "the image is empty or inconsistent");
}
