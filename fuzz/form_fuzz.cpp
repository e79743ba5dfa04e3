// The form reader on random layout text: it reads what it can and reports the rest as a read error,
// never crashing or leaving half-made components behind.
#include "forms/Layouts.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        tk::RegisterStandardClasses();
        forms::RegisterClasses();
        return true;
    }();
    (void)registered;
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto form = tk::Make<tk::TForm>();
    try {
        tk::ReadForm(*form, text, "fuzz.dfm");
    } catch (const tk::EReadError&) {
        // The reader's own report of a layout it cannot read.
    }
    return 0;
}
