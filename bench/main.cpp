// krvl-bench: what metering costs. Runs the real program headless on the virtual clock (four emulated
// cards, all four mixer windows open) and reports per simulated second the driver calls, lamp changes,
// repaint rectangles and their area, messages dispatched and CPU time (with --paint, painting what each turn
// of the loop invalidated as the desktop host does); writes the scenarios the desktop
// runs use; times configuration requests on the real clock. scripts/bench.sh runs all of it.
#include "driver/config.h"
#include "emu/Emulator.h"
#include "emu/Scenario.h"
#include "harness/Harness.h"
#include "system/sys.h"
#include "toolkit/CairoCanvas.h"
#include "toolkit/Forms.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kCards = 4;
constexpr int kMetersPerCard = 4 + 2 + 4 + 2; // analog in, digital in, analog out, digital out
constexpr int kTicksPerSecond = 1000 / 40;

// A signal that keeps a meter busy; every channel gets another level, so the bars differ.
std::string BusySignal(int card, int pair, bool out) {
    int n = card * 6 + pair * 2 + (out ? 1 : 0);
    int level = 2000 + (n * 1361) % 30000;
    std::ostringstream s;
    s << "{\"left\": {\"type\": \"sine\", \"level\": " << level << ", \"freq\": " << 200 + 37 * n
      << "}, \"right\": {\"type\": \"noise\", \"level\": " << 32767 - level / 2 << ", \"seed\": " << n + 1
      << "}}";
    return s.str();
}

// A 16-bit mono WAV of `seconds` at 8 kHz that is silent but for one full-scale sample at its start:
// played in a loop, it throws every meter to full scale once per loop and lets it fall.
void WriteClickWav(const fs::path& file, int seconds) {
    const std::uint32_t rate = 8000, samples = rate * static_cast<std::uint32_t>(seconds);
    std::vector<std::int16_t> data(samples, 0);
    data[0] = 32767;
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + samples * 2);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(samples * 2);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(samples * 2));
}

// mode "busy": noise and sines everywhere; "falling": every meter thrown to full scale every 2 s;
// "latency": silence everywhere but Analog 1-2 of card 1, whose input is muted until 5 s.
void WriteScenario(const std::string& mode, const fs::path& file) {
    std::ostringstream s;
    s << "{\"persist\": false, \"cards\": [";
    for (int c = 0; c < kCards; ++c) {
        s << (c ? ", " : "") << "{\"extended\": true, \"signals\": {";
        for (int dir = 0; dir < 2; ++dir) {
            s << (dir ? ", " : "") << (dir ? "\"out\": [" : "\"in\": [");
            for (int p = 0; p < 3; ++p) {
                std::string sig;
                if (mode == "busy")
                    sig = BusySignal(c, p, dir == 1);
                else if (mode == "falling")
                    sig = "{\"type\": \"wav\", \"file\": \"click.wav\"}";
                else
                    sig = c == 0 && p == 0 && dir == 0
                              ? "{\"type\": \"sine\", \"level\": 32767, \"freq\": 1000}"
                              : "\"silence\"";
                s << (p ? ", " : "") << sig;
            }
            s << "]";
        }
        s << "}";
        if (mode == "latency" && c == 0) s << ", \"input_mute\": [\"0xFFFFFFFF\", 0]";
        s << "}";
    }
    s << "]";
    if (mode == "latency")
        s << ", \"events\": [{\"at_ms\": 5000, \"action\": \"set-input-mute\", \"card\": 1, \"pair\": 0, "
             "\"value\": 0}]";
    s << "}\n";
    if (mode == "falling") WriteClickWav(file.parent_path() / "click.wav", 2);
    std::ofstream(file) << s.str();
}

// What the desktop host does after a turn of the loop: each shown form's invalidated rectangles painted
// into its client image, through a canvas clipped to them. One image per form, painted whole when new.
class HostPainter {
public:
    // Kept a function of its own, so callgrind can count the painting alone:
    // --toggle-collect='*HostPainter::PaintAll*'.
    [[gnu::noinline]] void PaintAll() {
        for (int i = 0; i < tk::Screen->FormCount(); ++i)
            Paint(*tk::Screen->Forms(i));
    }

private:
    struct Image {
        tk::CairoSurface surface;
        int width{};
        int height{};
    };
    void Paint(tk::TForm& form) {
        std::vector<tk::TRect> rects = form.TakeDirtyRects();
        if (rects.empty() || !form.Visible() || form.WindowState() == tk::wsMinimized) return;
        tk::TRect client = form.ClientRect();
        int width = std::max(1, client.Width()), height = std::max(1, client.Height());
        Image& image = m_images[&form];
        bool whole = !image.surface || image.width != width || image.height != height;
        if (whole) {
            image.surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
            image.width = width;
            image.height = height;
        }
        tk::CairoContext cr(cairo_create(image.surface.get()));
        if (!whole) {
            for (const tk::TRect& r : rects)
                cairo_rectangle(cr.get(), r.left, r.top, r.Width(), r.Height());
            cairo_clip(cr.get());
        }
        tk::TCairoCanvas canvas(cr.get());
        form.PaintClient(canvas);
    }
    // Forms are not destroyed during a run: the key is never a dangling one that is reused.
    std::map<tk::TForm*, Image> m_images;
};

struct Sample {
    std::map<std::string, std::uint64_t> v;
};

Sample Parse(const std::string& line) {
    Sample s;
    std::istringstream in(line);
    std::string word;
    in >> word; // "stats"
    while (in >> word) {
        auto eq = word.find('=');
        if (eq != std::string::npos) s.v[word.substr(0, eq)] = std::stoull(word.substr(eq + 1));
    }
    return s;
}

int RunVirtual(const std::string& mode, int seconds, bool quiet, bool paint) {
    fs::path dir = fs::temp_directory_path() / ("krvl-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path scenario = dir / "scenario.json";
    WriteScenario(mode, scenario);
    std::vector<std::string> script = {"start",
                                       "tray dblclick",
                                       "check Korvalin chkAnalogInputs 1",
                                       "check Korvalin chkDigitalInputs 1",
                                       "check Korvalin chkAnalogOutputs 1",
                                       "check Korvalin chkDigitalOutputs 1",
                                       "wait 1000", // the bars have risen
                                       "stats"};
    for (int i = 0; i < seconds; ++i) {
        script.push_back("wait 1000");
        script.push_back("stats");
    }
    std::ostringstream out;
    harness::Options options;
    options.scenarioFile = scenario.string();
    options.windowsDir = (dir / "win").string();
    fs::create_directories(options.windowsDir);
    HostPainter painter;
    std::size_t next = 0;
    int rc = harness::Harness(options, out).Run([&]() -> std::optional<std::string> {
        // The program's loop runs from the first command on: painting starts with its idle turns.
        if (paint && next == 1) tk::Application->OnIdle = [&painter](tk::TObject*) { painter.PaintAll(); };
        if (next >= script.size()) return std::nullopt;
        return script[next++];
    });
    tk::Application->OnIdle = nullptr;
    fs::remove_all(dir);
    if (rc != 0) {
        std::fprintf(stderr, "krvl-bench: the run failed:\n%s", out.str().c_str());
        return 1;
    }
    std::vector<Sample> samples;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("stats ", 0) == 0) samples.push_back(Parse(line));
    if (quiet || samples.size() < 2) return 0;

    const char* keys[] = {"driver", "fills", "invalidations", "area", "messages", "cpu_us"};
    std::printf("mode=%s cards=%d meters=%d simulated_seconds=%d\n", mode.c_str(), kCards,
                kCards * kMetersPerCard, seconds);
    std::printf("%6s %8s %8s %8s %10s %9s %8s\n", "second", "driver", "lamps", "rects", "area_px", "messages",
                "cpu_us");
    std::map<std::string, double> total, maxima;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        std::map<std::string, std::uint64_t> d;
        for (const char* k : keys) {
            d[k] = samples[i].v[k] - samples[i - 1].v[k];
            total[k] += static_cast<double>(d[k]);
            maxima[k] = std::max(maxima[k], static_cast<double>(d[k]));
        }
        std::printf(
            "%6zu %8llu %8llu %8llu %10llu %9llu %8llu\n", i, static_cast<unsigned long long>(d["driver"]),
            static_cast<unsigned long long>(d["fills"]), static_cast<unsigned long long>(d["invalidations"]),
            static_cast<unsigned long long>(d["area"]), static_cast<unsigned long long>(d["messages"]),
            static_cast<unsigned long long>(d["cpu_us"]));
    }
    double n = static_cast<double>(samples.size() - 1);
    std::printf(
        "summary mode=%s per_second: driver=%.1f lamp_changes=%.1f repaint_rects=%.1f repaint_area_px=%.0f "
        "messages=%.1f cpu_us=%.0f bare_work=%.1f\n",
        mode.c_str(), total["driver"] / n, total["fills"] / n, total["invalidations"] / n, total["area"] / n,
        total["messages"] / n, total["cpu_us"] / n, (total["driver"] + total["fills"]) / n);
    double meterTicks = kCards * kMetersPerCard * kTicksPerSecond;
    std::printf(
        "summary mode=%s repaints_per_meter_per_tick=%.3f max_per_second=%.0f rects_per_lamp_change=%.3f\n",
        mode.c_str(), total["invalidations"] / n / meterTicks, maxima["invalidations"],
        total["fills"] > 0 ? total["invalidations"] / total["fills"] : 0.0);
    return 0;
}

int RunConfig(int runs) {
    // The real clock, as the program runs: the entry runs on a thread of its own and the caller polls.
    auto card = emu::Emulator::Install(emu::Scenario::WithCards(kCards));
    krvl::DriverLink() = 1;
    std::vector<double> us;
    for (int i = 0; i < runs; ++i) {
        BYTE record[20]{};
        auto t0 = std::chrono::steady_clock::now();
        bool ok = krvl::ConfigRequest(krvl::DriverLink(), krvl::proto::CFG_GETSTATES, record, sizeof record);
        auto t1 = std::chrono::steady_clock::now();
        if (!ok) {
            std::fprintf(stderr, "krvl-bench: configuration request %d failed\n", i);
            card->Uninstall();
            sys::ResetSystem();
            return 1;
        }
        us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    card->Uninstall();
    sys::ResetSystem(); // joins the entry's finished threads
    std::sort(us.begin(), us.end());
    std::printf("config_round_trip_ms runs=%d min=%.3f median=%.3f max=%.3f\n", runs, us.front() / 1000,
                us[us.size() / 2] / 1000, us.back() / 1000);
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: krvl-bench virtual [--mode busy|falling] [--seconds N] [--quiet] [--paint]\n"
                         "       krvl-bench scenario --mode busy|falling|latency --out FILE.json\n"
                         "       krvl-bench config [--runs N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string command = argv[1], mode = "busy", outFile;
    int seconds = 60, runs = 50;
    bool quiet = false, paint = false;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--mode" && i + 1 < argc)
            mode = argv[++i];
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::max(0, std::atoi(argv[++i]));
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--out" && i + 1 < argc)
            outFile = argv[++i];
        else if (a == "--quiet")
            quiet = true;
        else if (a == "--paint")
            paint = true;
        else
            return Usage();
    }
    if (mode != "busy" && mode != "falling" && mode != "latency") return Usage();
    if (command == "virtual" && mode != "latency") return RunVirtual(mode, seconds, quiet, paint);
    if (command == "scenario" && !outFile.empty()) {
        WriteScenario(mode, outFile);
        return 0;
    }
    if (command == "config") return RunConfig(runs);
    return Usage();
}
