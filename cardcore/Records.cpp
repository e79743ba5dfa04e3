#include "cardcore/Records.h"

#include "system/krvl_protocol.h"

namespace cardcore {

bool ValidRouting(int pair, DWORD value, bool extended) {
    using namespace krvl::proto;
    BYTE source = value & 0xFF, monitor = (value >> 8) & 0xFF, mode = (value >> 16) & 0xFF;
    bool sourceOk = pair == 0   ? source == kSourceLine
                    : pair == 1 ? source == kSourceLine || source == kSourceCd
                    : pair == 2 ? source == kSourceOptical || source == kSourceDigitalCd ||
                                      (extended && (source == kSourceXlr || source == kSourceCoaxial))
                                : false;
    return sourceOk && monitor <= MonitorPairCode(kPairsPerCard - 1) && mode <= kMonitorOnPunchIn;
}

bool ValidSource(DWORD code) {
    return code < krvl::kSourceCodeCount;
}

bool ValidFormat(DWORD format) {
    return format == krvl::kFormatSpdif || format == krvl::kFormatAesEbu;
}

} // namespace cardcore
