// krvl-icon OUTDIR NAME: the program's own mixer icon (the tray's and the windows') as the desktop theme's
// files: OUTDIR/SIZExSIZE/apps/NAME.png at each theme size and OUTDIR/scalable/apps/NAME.svg. The icon is
// pixel art on a 32 x 32 grid; both come from one list of rectangles (each row's runs of one colour), so the
// sizes are that grid drawn at another scale rather than a scaled bitmap.
#include "app/resources.h"
#include "system/sys.h"
#include "system/win32.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct Run {
    int x, y, width;
    std::uint32_t argb;
};

std::vector<Run> Runs(const sys::IconImage& icon) {
    std::vector<Run> runs;
    for (int y = 0; y < icon.height; ++y)
        for (int x = 0; x < icon.width;) {
            std::uint32_t c = icon.argb[static_cast<std::size_t>(y * icon.width + x)];
            int end = x + 1;
            while (end < icon.width && icon.argb[static_cast<std::size_t>(y * icon.width + end)] == c)
                ++end;
            if (c >> 24) runs.push_back({x, y, end - x, c});
            x = end;
        }
    return runs;
}

double Channel(std::uint32_t argb, int shift) {
    return ((argb >> shift) & 0xFF) / 255.0;
}

// Each pixel of the size is the grid's colours weighted by how much of it they cover, so no seams show
// where runs meet between pixels.
bool WritePng(const sys::IconImage& icon, int size, const fs::path& file) {
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size), cairo_surface_destroy);
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const double step = static_cast<double>(icon.width) / size; // grid cells per pixel
    auto overlap = [](double a0, double a1, double b0, double b1) {
        return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
    };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double sum[4] = {}; // premultiplied b, g, r and alpha
            const double x0 = x * step, x1 = (x + 1) * step, y0 = y * step, y1 = (y + 1) * step;
            for (int gy = static_cast<int>(y0); gy < icon.height && gy < y1; ++gy)
                for (int gx = static_cast<int>(x0); gx < icon.width && gx < x1; ++gx) {
                    double area = overlap(x0, x1, gx, gx + 1) * overlap(y0, y1, gy, gy + 1);
                    std::uint32_t c = icon.argb[static_cast<std::size_t>(gy * icon.width + gx)];
                    double alpha = Channel(c, 24) * area;
                    sum[0] += Channel(c, 0) * alpha;
                    sum[1] += Channel(c, 8) * alpha;
                    sum[2] += Channel(c, 16) * alpha;
                    sum[3] += alpha;
                }
            std::uint32_t pixel = 0;
            for (int i = 0; i < 4; ++i)
                pixel |= static_cast<std::uint32_t>(std::lround(sum[i] / (step * step) * 255.0)) << (8 * i);
            std::memcpy(data + y * stride + x * 4, &pixel, 4);
        }
    cairo_surface_mark_dirty(surface.get());
    return cairo_surface_write_to_png(surface.get(), file.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool WriteSvg(const std::vector<Run>& runs, int grid, const fs::path& file) {
    std::ofstream out(file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << grid << "\" height=\"" << grid
        << "\" viewBox=\"0 0 " << grid << ' ' << grid << "\" shape-rendering=\"crispEdges\">\n";
    for (const Run& r : runs) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%06X", static_cast<unsigned>(r.argb & 0xFFFFFF));
        out << "  <rect x=\"" << r.x << "\" y=\"" << r.y << "\" width=\"" << r.width
            << "\" height=\"1\" fill=\"" << colour << '"';
        if ((r.argb >> 24) != 0xFF) out << " fill-opacity=\"" << Channel(r.argb, 24) << '"';
        out << "/>\n";
    }
    out << "</svg>\n";
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: krvl-icon OUTDIR NAME\n");
        return 2;
    }
    const fs::path outdir = argv[1];
    const std::string name = argv[2];
    krvl::RegisterResources();
    HICON handle = LoadIconA(nullptr, "MIXERICON");
    const sys::IconImage* icon = sys::IconImageOf(handle);
    if (!icon || icon->width != icon->height || icon->width <= 0) {
        std::fprintf(stderr, "krvl-icon: the program has no square MIXERICON\n");
        return 1;
    }
    const std::vector<Run> runs = Runs(*icon);
    bool ok = true;
    for (int size : kSizes) {
        fs::path dir = outdir / (std::to_string(size) + "x" + std::to_string(size)) / "apps";
        fs::create_directories(dir);
        ok = WritePng(*icon, size, dir / (name + ".png")) && ok;
    }
    fs::create_directories(outdir / "scalable" / "apps");
    ok = WriteSvg(runs, icon->width, outdir / "scalable" / "apps" / (name + ".svg")) && ok;
    DestroyIcon(handle);
    if (!ok) std::fprintf(stderr, "krvl-icon: cannot write into %s\n", outdir.c_str());
    return ok ? 0 : 1;
}
