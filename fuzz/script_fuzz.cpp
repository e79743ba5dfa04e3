// The harness's script reader: random script text becomes commands, each of which holds at least one
// word, with line numbers that grow; every word read as a number is inside its range or a script error.
#include "harness/Harness.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const long long min = in.ConsumeIntegral<long long>();
    const long long max = in.ConsumeIntegral<long long>();
    const std::string text = in.ConsumeRemainingBytesAsString();
    // Split as krvl-script splits its file: at line ends, a CR before one taken off.
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    int previous = 0;
    for (const harness::ScriptLine& c : harness::ReadScript(lines)) {
        if (c.words.empty() || c.line <= previous || c.line > static_cast<int>(lines.size())) std::abort();
        previous = c.line;
        for (const std::string& word : c.words) {
            try {
                long long v = harness::Number(word, c.line, min, max);
                if (v < min || v > max) std::abort();
            } catch (const harness::ScriptError&) {
            }
        }
    }
    return 0;
}
