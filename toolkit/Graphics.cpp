#include "toolkit/Graphics.h"

#include "toolkit/CairoCanvas.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace tk {

TColor ColorToRGB(TColor color) {
    if (color >= 0) return color & 0xFFFFFF;
    // The classic desktop scheme (blue-green-red, red in the low byte).
    static constexpr TColor scheme[] = {
        0xC0C0C0, // scroll bar
        0x808000, // background
        0x800000, // active caption
        0x808080, // inactive caption
        0xC0C0C0, // menu
        0xFFFFFF, // window
        0x000000, // window frame
        0x000000, // menu text
        0x000000, // window text
        0xFFFFFF, // caption text
        0xC0C0C0, // active border
        0xC0C0C0, // inactive border
        0x808080, // application work space
        0x800000, // highlight
        0xFFFFFF, // highlight text
        0xC0C0C0, // button face
        0x808080, // button shadow
        0x808080, // gray text
        0x000000, // button text
        0xC0C0C0, // inactive caption text
        0xFFFFFF, // button highlight
        0x000000, // 3-D dark shadow
        0xDFDFDF, // 3-D light
        0x000000, // info text
        0xE1FFFF, // info background
    };
    unsigned index = static_cast<unsigned>(color) & 0xFF;
    if (index < std::size(scheme)) return scheme[index];
    return 0;
}

int TFont::Size() const {
    if (m_height < 0) return static_cast<int>(std::lround(-m_height * 72.0 / 96.0));
    return static_cast<int>(std::lround(m_height * 72.0 / 96.0));
}

void TFont::SetSize(int points) {
    m_height = -static_cast<int>(std::lround(points * 96.0 / 72.0));
}

int TFont::PixelHeight() const {
    // A positive height is the cell height; the character height is about 80 % of it.
    return m_height < 0 ? -m_height : std::max(1, static_cast<int>(std::lround(m_height * 0.8)));
}

void TPicture::Assign(int width, int height, std::vector<std::uint32_t> argb) {
    if (width <= 0 || height <= 0 ||
        argb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        m_width = m_height = 0;
        m_pixels.clear();
        return;
    }
    m_width = width;
    m_height = height;
    m_pixels = std::move(argb);
}

bool TPicture::LoadFromBmp(const std::vector<std::uint8_t>& b) {
    auto u16 = [&](std::size_t at) -> unsigned { return at + 2 <= b.size() ? b[at] | (b[at + 1] << 8) : 0; };
    auto u32 = [&](std::size_t at) -> std::uint32_t {
        return at + 4 <= b.size() ? static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                                               (static_cast<std::uint32_t>(b[at + 3]) << 24))
                                  : 0;
    };
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
    std::uint32_t dataOffset = u32(10);
    std::uint32_t headerSize = u32(14);
    if (headerSize < 40) return false;
    int width = static_cast<std::int32_t>(u32(18));
    int height = static_cast<std::int32_t>(u32(22));
    unsigned bpp = u16(28);
    std::uint32_t compression = u32(30);
    if (compression != 0 || width <= 0 || height == 0 || width > 4096 || std::abs(height) > 4096)
        return false;
    bool bottomUp = height > 0;
    height = std::abs(height);
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    std::vector<std::uint32_t> palette;
    if (bpp <= 8) {
        std::uint32_t colours = u32(46);
        if (colours == 0) colours = 1u << bpp;
        std::size_t at = 14 + headerSize;
        for (std::uint32_t i = 0; i < colours && at + 4 <= b.size(); ++i, at += 4)
            palette.push_back(0xFF000000u | (b[at + 2] << 16) | (b[at + 1] << 8) | b[at]);
    }
    std::size_t stride = ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
    if (dataOffset + stride * static_cast<std::size_t>(height) > b.size()) return false;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::size_t row = dataOffset + stride * static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t argb = 0;
            if (bpp == 24 || bpp == 32) {
                std::size_t at = row + static_cast<std::size_t>(x) * (bpp / 8);
                argb = 0xFF000000u | (b[at + 2] << 16) | (b[at + 1] << 8) | b[at];
            } else {
                std::size_t bit = static_cast<std::size_t>(x) * bpp;
                unsigned byte = b[row + bit / 8];
                unsigned index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                argb = index < palette.size() ? palette[index] : 0xFF000000u;
            }
            px[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                argb;
        }
    }
    Assign(width, height, std::move(px));
    return true;
}

namespace {
std::mutex g_measureMutex;
TextMeasurer& Measurer() {
    static TextMeasurer measurer;
    return measurer;
}
} // namespace

void SetTextMeasurer(TextMeasurer measurer) {
    std::lock_guard lock(g_measureMutex);
    Measurer() = std::move(measurer);
}

TSize MeasureText(const std::string& text, const TFont& font) {
    TextMeasurer m;
    {
        std::lock_guard lock(g_measureMutex);
        m = Measurer();
    }
    if (m) return m(text, font);
    return PangoTextExtent(text, font);
}

std::string StripAccelerator(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

int AcceleratorIndex(const std::string& caption) {
    int index = 0;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                ++index;
                ++i;
                continue;
            }
            if (i + 1 < caption.size()) return index;
            continue;
        }
        ++index;
    }
    return -1;
}

} // namespace tk
