#include "app/resources.h"

#include "system/sys.h"

namespace krvl {
namespace {

constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kFrame = 0xFF202020;
constexpr std::uint32_t kFace = 0xFFC0C0C0;
constexpr std::uint32_t kTrack = 0xFF303030;
constexpr std::uint32_t kKnob = 0xFFF0F0F0;
constexpr std::uint32_t kKnobShade = 0xFF808080;
constexpr std::uint32_t kLamp = 0xFF00C000;
constexpr std::uint32_t kPeak = 0xFFE00000;

// A small mixing desk: three fader tracks with their knobs at different heights and a lit meter.
sys::IconImage MixerIconImage() {
    constexpr int n = 32;
    sys::IconImage icon{n, n, std::vector<std::uint32_t>(n * n, kClear)};
    auto set = [&](int x, int y, std::uint32_t c) {
        if (x >= 0 && x < n && y >= 0 && y < n) icon.argb[static_cast<std::size_t>(y * n + x)] = c;
    };
    auto fill = [&](int x0, int y0, int x1, int y1, std::uint32_t c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                set(x, y, c);
    };
    fill(1, 2, 30, 29, kFrame);
    fill(2, 3, 29, 28, kFace);
    const int knobTop[3] = {8, 16, 12};
    for (int i = 0; i < 3; ++i) {
        int cx = 6 + i * 7;
        fill(cx, 5, cx + 1, 26, kTrack);
        int ky = knobTop[i];
        fill(cx - 3, ky, cx + 4, ky + 4, kKnobShade);
        fill(cx - 3, ky, cx + 3, ky + 3, kKnob);
        fill(cx - 3, ky + 2, cx + 3, ky + 2, kFrame); // the knob's line
    }
    fill(25, 5, 27, 26, kTrack);
    for (int y = 14; y <= 25; y += 2)
        fill(25, y, 27, y, kLamp);
    fill(25, 8, 27, 8, kPeak);
    return icon;
}

} // namespace

void RegisterResources() {
    sys::RegisterIconResource("MIXERICON", MixerIconImage());
}

HICON& MixerIcon() {
    static HICON icon = nullptr;
    return icon;
}

} // namespace krvl
