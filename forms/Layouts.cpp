#include "forms/Layouts.h"

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "toolkit/Forms.h"

#include <utility>

namespace forms {
namespace detail {
extern const std::pair<std::string_view, std::string_view> kLayouts[];
}

std::string_view Find(std::string_view fileName) {
    for (const auto* p = detail::kLayouts; !p->first.empty(); ++p)
        if (p->first == fileName) return p->second;
    return {};
}

void RegisterClasses() {
    controls::RegisterClass_b();
    krvl::RegisterAudioControls();
}

void Load(tk::TForm& form, std::string_view fileName) {
    RegisterClasses();
    std::string_view text = Find(fileName);
    if (text.empty()) throw tk::EReadError(std::string(fileName) + ": no such layout");
    form.LoadLayout(std::string(text), std::string(fileName));
}

} // namespace forms
