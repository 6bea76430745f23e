// Platform costs a user feels every frame on the headless backend: clearing and presenting
// the 640 x 480 surface, drawing many small agents, and shapes at deep zoom whose
// coordinates run into the millions.
#include <benchmark/benchmark.h>

#include "platform/host.h"
#include "platform/win.h"
#include "programs/steering/steering_program.h"

using namespace win;

namespace {

LRESULT benchProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(window, message, wParam, lParam);
}

// One window with the programs' presentation set-up, made once for every benchmark.
struct Screen {
    HWND window = nullptr;
    LPDIRECTDRAW dd = nullptr;
    LPDIRECTDRAW2 dd2 = nullptr;
    LPDIRECTDRAWSURFACE primary = nullptr;
    LPDIRECTDRAWSURFACE offscreen = nullptr;
    LPDIRECTDRAWCLIPPER clipper = nullptr;
    HDC dc = nullptr;
    HPEN blackPen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HPEN thickPen = CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
    HBRUSH tealBrush = CreateSolidBrush(RGB(0, 200, 200));

    Screen() {
        HINSTANCE instance = host::programInstance(steering::programResources());
        WNDCLASSEX wc{};
        wc.lpfnWndProc = benchProcedure;
        wc.hInstance = instance;
        wc.lpszMenuName = MAKEINTRESOURCE(103);
        wc.lpszClassName = "Steering Test";
        RegisterClassEx(&wc);
        window = CreateWindowEx(0, "Steering Test", "Steering Test", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640, 500, nullptr, nullptr, instance, nullptr);
        ShowWindow(window, SW_SHOW);
        DirectDrawCreate(nullptr, &dd, nullptr);
        dd->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd2));
        dd2->SetCooperativeLevel(window, DDSCL_NORMAL);
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        dd2->CreateSurface(&desc, &primary, nullptr);
        desc = DDSURFACEDESC{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        desc.dwWidth = 640;
        desc.dwHeight = 480;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_OWNDC;
        dd2->CreateSurface(&desc, &offscreen, nullptr);
        offscreen->GetDC(&dc);
        dd2->CreateClipper(0, &clipper, nullptr);
        clipper->SetHWnd(0, window);
        primary->SetClipper(clipper);
    }

    void clear() {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = 0xFFFFFF;
        offscreen->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
    }

    // The programs' paint handler.
    void present() {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        RECT rect;
        GetClientRect(window, &rect);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        OffsetRect(&rect, origin.x, origin.y);
        primary->Blt(&rect, offscreen, nullptr, DDBLT_WAIT, nullptr);
        EndPaint(window, &ps);
    }
};

Screen& screen() {
    static Screen s;
    return s;
}

void BM_ColourFillAndPresent(benchmark::State& state) {
    Screen& s = screen();
    for (auto _ : state) {
        s.clear();
        s.present();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ColourFillAndPresent)->Unit(benchmark::kMillisecond);

void BM_ThousandSmallEllipses(benchmark::State& state) {
    // 1000 agents of radius 10 px, filled and outlined, spread over the screen.
    Screen& s = screen();
    SelectObject(s.dc, state.range(0) == 2 ? s.thickPen : s.blackPen);
    SelectObject(s.dc, s.tealBrush);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            const int x = (i * 37) % 620;
            const int y = (i * 53) % 460;
            Ellipse(s.dc, x, y, x + 20, y + 20);
        }
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) == 2 ? "pen width 2" : "pen width 1");
}
BENCHMARK(BM_ThousandSmallEllipses)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_HugeCentredEllipse(benchmark::State& state) {
    // A disc 4,000,000 px across centred on the screen: only the visible rows are visited.
    Screen& s = screen();
    SelectObject(s.dc, s.blackPen);
    SelectObject(s.dc, s.tealBrush);
    for (auto _ : state) {
        Ellipse(s.dc, 320 - 2000000, 240 - 2000000, 320 + 2000000, 240 + 2000000);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_HugeCentredEllipse)->Unit(benchmark::kMillisecond);

void BM_HugeEllipseEdge(benchmark::State& state) {
    // The same disc with its edge crossing the screen, so the outline is drawn too.
    Screen& s = screen();
    SelectObject(s.dc, s.thickPen);
    SelectObject(s.dc, s.tealBrush);
    for (auto _ : state) {
        Ellipse(s.dc, 320, 240 - 2000000, 320 + 4000000, 240 + 2000000);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_HugeEllipseEdge)->Unit(benchmark::kMillisecond);

void BM_DeepZoomLines(benchmark::State& state) {
    // 1000 lines with ends two billion pixels apart, each crossing the screen.
    Screen& s = screen();
    SelectObject(s.dc, s.blackPen);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            MoveToEx(s.dc, -2000000000 + i, -1500000000, nullptr);
            LineTo(s.dc, 2000000000 - i, 1500000000 + i);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DeepZoomLines)->Unit(benchmark::kMillisecond);

void BM_HundredTexts(benchmark::State& state) {
    // The stuck percentages of a hundred agents.
    Screen& s = screen();
    SetBkMode(s.dc, TRANSPARENT);
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            TextOut(s.dc, (i * 61) % 600, (i * 29) % 460, "100", 3);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_HundredTexts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
