// Rasterises the mesh into an image: each pixel centre takes the colour of the triangle
// containing it, then the edges are drawn on top, then the wall cells are outlined.
#include "tools/navtool/mesh_picture.h"

#include <algorithm>
#include <cmath>

#include "platform/host.h"

namespace navtool {
namespace {

constexpr int kCellsShown = 256 + 2 * kMarginCells;
constexpr int kSide = kCellsShown * kPixelsPerCell;  // picture width and height, pixels
constexpr uint32_t kEdgeColour = 0x303030;
constexpr uint32_t kWallOutline = 0xD01010;
constexpr uint32_t kPathColour = 0x1040E0;

// A distinct colour per cell value; 0 (open ground) is pale, 15 (outside or wall) grey.
uint32_t typeColour(uint8_t type) {
    if (type == 0) return 0xF4F0E0;
    if ((type & 15) == 15) return 0x808080;
    static constexpr uint32_t kPalette[] = {0x9AD0F5, 0xA8E6A1, 0xF7C59F, 0xD9B3F0, 0xF5E39A, 0x9FE8DA,
                                            0xF5A3B5, 0xC8D98F, 0xB0C4F5, 0xE8C8A0, 0xA0E0F0, 0xE0A0E0,
                                            0xC0F0B0, 0xF0D0D0};
    return kPalette[(type * 7u) % (sizeof kPalette / sizeof kPalette[0])];
}

double toPixel(double cell) { return (cell + kMarginCells) * kPixelsPerCell; }

void plot(win::host::Image& image, int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    image.pixels[static_cast<size_t>(y) * image.width + x] = colour;
}

void line(win::host::Image& image, double x0, double y0, double x1, double y1, uint32_t colour) {
    // Clip to the picture (with room to spare) so far-away vertices cost nothing.
    const double limit = 4.0 * kSide;
    x0 = std::clamp(x0, -limit, limit);
    y0 = std::clamp(y0, -limit, limit);
    x1 = std::clamp(x1, -limit, limit);
    y1 = std::clamp(y1, -limit, limit);
    const int steps = static_cast<int>(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0))) + 1;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        plot(image, static_cast<int>(std::floor(x0 + (x1 - x0) * t)), static_cast<int>(std::floor(y0 + (y1 - y0) * t)),
             colour);
    }
}

void fillTriangle(win::host::Image& image, const nav::NavMesh& mesh, int t) {
    double xs[3], ys[3];
    for (int s = 0; s < 3; ++s) {
        const nav::NavPoint& p = nav::vertexOf(mesh, t, s);
        xs[s] = toPixel(p.x);
        ys[s] = toPixel(p.y);
    }
    const int minX = std::max(0, static_cast<int>(std::floor(*std::min_element(xs, xs + 3))));
    const int maxX = std::min(image.width - 1, static_cast<int>(std::ceil(*std::max_element(xs, xs + 3))));
    const int minY = std::max(0, static_cast<int>(std::floor(*std::min_element(ys, ys + 3))));
    const int maxY = std::min(image.height - 1, static_cast<int>(std::ceil(*std::max_element(ys, ys + 3))));
    const uint32_t colour = typeColour(mesh.triangles[t].type);
    for (int y = minY; y <= maxY; ++y) {
        for (int x = minX; x <= maxX; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            bool inside = true;
            for (int i = 0; i < 3 && inside; ++i) {
                const int j = nav::next(i);
                // Interior of a live triangle lies on the negative side of each edge.
                inside = (xs[j] - xs[i]) * (py - ys[i]) - (ys[j] - ys[i]) * (px - xs[i]) <= 0;
            }
            if (inside) plot(image, x, y, colour);
        }
    }
}

}  // namespace

bool writeMeshPicture(const nav::NavMesh& mesh, const uint8_t* cells, const std::vector<Polyline>& paths,
                      const std::string& path) {
    win::host::Image image;
    image.width = kSide;
    image.height = kSide;
    image.pixels.assign(static_cast<size_t>(kSide) * kSide, 0xFFFFFF);
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        if (nav::isLive(mesh.triangles[t])) fillTriangle(image, mesh, t);
    }
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        if (!nav::isLive(mesh.triangles[t])) continue;
        for (int i = 0; i < 3; ++i) {
            const nav::NavPoint& a = nav::vertexOf(mesh, t, i);
            const nav::NavPoint& b = nav::vertexOf(mesh, t, nav::next(i));
            line(image, toPixel(a.x), toPixel(a.y), toPixel(b.x), toPixel(b.y), kEdgeColour);
        }
    }
    // Outlines of the map's wall areas, from the cells themselves, so a triangle whose
    // type disagrees with the map shows.
    auto isWall = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 256 && y < 256 && (cells[y * 256 + x] & 15) == 15;
    };
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            if (!isWall(x, y)) continue;
            const double x0 = toPixel(x), y0 = toPixel(y), x1 = toPixel(x + 1) - 1, y1 = toPixel(y + 1) - 1;
            if (!isWall(x, y - 1)) line(image, x0, y0, x1, y0, kWallOutline);
            if (!isWall(x, y + 1)) line(image, x0, y1, x1, y1, kWallOutline);
            if (!isWall(x - 1, y)) line(image, x0, y0, x0, y1, kWallOutline);
            if (!isWall(x + 1, y)) line(image, x1, y0, x1, y1, kWallOutline);
        }
    }
    for (const Polyline& p : paths) {
        for (size_t i = 1; i < p.size(); ++i) {
            const double x0 = toPixel(p[i - 1].x / 256.0), y0 = toPixel(p[i - 1].y / 256.0);
            const double x1 = toPixel(p[i].x / 256.0), y1 = toPixel(p[i].y / 256.0);
            // Two pixels wide, so the path stands out from the edges.
            line(image, x0, y0, x1, y1, kPathColour);
            line(image, x0 + 1, y0, x1 + 1, y1, kPathColour);
        }
    }
    return win::host::writePng(path, image);
}

}  // namespace navtool
