// An image surface's pixels, row by row without the stride's padding.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

inline std::vector<std::uint32_t> ImagePixels(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
    int stride = cairo_image_surface_get_stride(surface) / 4;
    int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    std::vector<std::uint32_t> out;
    for (int y = 0; y < h; ++y)
        out.insert(out.end(), data + y * stride, data + y * stride + w);
    return out;
}
