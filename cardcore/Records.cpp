#include "cardcore/Records.h"

#include "emu/DriverMessages.h"

namespace cardcore {

bool ValidRouting(int pair, DWORD value, bool extended) {
    using namespace emu;
    BYTE source = value & 0xFF, monitor = (value >> 8) & 0xFF, mode = (value >> 16) & 0xFF;
    bool sourceOk = pair == 0   ? source == kSourceLine
                    : pair == 1 ? source == kSourceLine || source == kSourceCd
                    : pair == 2 ? source == kSourceOptical || source == kSourceDigitalCd ||
                                      (extended && (source == kSourceXlr || source == kSourceCoaxial))
                                : false;
    return sourceOk && monitor <= 3 && mode <= 2;
}

bool ValidSource(DWORD code) {
    return code <= 5;
}

bool ValidFormat(DWORD format) {
    return format <= 1;
}

} // namespace cardcore
