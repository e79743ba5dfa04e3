#include "controls/Class_b.h"

#include "toolkit/FormReader.h"

#include <mutex>

namespace controls {

void TExtSpeedButton::SetHintGerman(const std::string& text) {
    m_hintGerman = text;
    SetHint(text);
}

void TExtSpeedButton::SetHintEnglish(const std::string& text) {
    m_hintEnglish = text;
}

void TExtSpeedButton::SetCaptionGerman(const std::string& text) {
    m_captionGerman = text;
    SetCaption(text);
}

void TExtSpeedButton::SetCaptionEnglish(const std::string& text) {
    m_captionEnglish = text;
}

bool TExtSpeedButton::GetDown() const {
    return tk::TSpeedButton::Down();
}

void TExtSpeedButton::SetDown(bool value) {
    bool wasDown = GetDown();
    tk::TSpeedButton::SetDown(value);
    // A layout being read wires its handlers while it assigns; only changes after that notify.
    if (GetDown() && !wasDown && OnDown && !Loading()) OnDown(this);
}

void TExtSpeedButton::MouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y) {
    bool wasDown = GetDown();
    tk::TTracker alive(this);
    tk::TSpeedButton::MouseUp(button, shift, x, y);
    if (!alive) return; // the click handler destroyed the button
    if (GetDown() && !wasDown && OnDown) OnDown(this);
}

namespace {

template <class T> void Bilingual(tk::TClassInfo& info) {
    info.Str<T>("CaptionEnglish", &T::SetCaptionEnglish)
        .template Str<T>("CaptionGerman", &T::SetCaptionGerman);
}

} // namespace

void RegisterClass_b() {
    static std::once_flag once;
    std::call_once(once, [] {
        tk::RegisterStandardClasses();
        Bilingual<TExtLabel>(tk::RegisterClass<TExtLabel>("TExtLabel", "TLabel"));
        Bilingual<TExtButton>(tk::RegisterClass<TExtButton>("TExtButton", "TButton"));
        Bilingual<TExtCheckBox>(tk::RegisterClass<TExtCheckBox>("TExtCheckBox", "TCheckBox"));
        Bilingual<TExtRadioButton>(tk::RegisterClass<TExtRadioButton>("TExtRadioButton", "TRadioButton"));
        Bilingual<TExtGroupBox>(tk::RegisterClass<TExtGroupBox>("TExtGroupBox", "TGroupBox"));
        tk::RegisterClass<TExtSpeedButton>("TExtSpeedButton", "TSpeedButton")
            .Event<TExtSpeedButton>("OnDown", &TExtSpeedButton::OnDown)
            .Str<TExtSpeedButton>("HintEnglish", &TExtSpeedButton::SetHintEnglish)
            .Str<TExtSpeedButton>("HintGerman", &TExtSpeedButton::SetHintGerman)
            .Str<TExtSpeedButton>("CaptionEnglish", &TExtSpeedButton::SetCaptionEnglish)
            .Str<TExtSpeedButton>("CaptionGerman", &TExtSpeedButton::SetCaptionGerman)
            .Bool<TExtSpeedButton>("Down", &TExtSpeedButton::SetDown);
    });
}

} // namespace controls
