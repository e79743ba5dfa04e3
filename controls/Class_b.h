// The bilingual captioned controls: standard controls that carry a German and an English caption (and,
// for the speed button, hint). The German text is the one shown; the English one is only stored.
#pragma once

#include "toolkit/Buttons.h"
#include "toolkit/StdCtrls.h"

#include <string>

namespace controls {

// Adds the two caption texts to a toolkit control. Setting the German one also sets the visible
// Caption; setting Caption directly leaves both stored texts alone.
template <class Base> class TBilingual : public Base {
public:
    explicit TBilingual(tk::TComponent* owner) : Base(owner) {}

    const std::string& CaptionEnglish() const { return m_captionEnglish; }
    void SetCaptionEnglish(const std::string& text) { m_captionEnglish = text; }
    const std::string& CaptionGerman() const { return m_captionGerman; }
    void SetCaptionGerman(const std::string& text) {
        m_captionGerman = text;
        this->SetCaption(text);
    }

private:
    std::string m_captionEnglish;
    std::string m_captionGerman;
};

class TExtLabel : public TBilingual<tk::TLabel> {
public:
    explicit TExtLabel(tk::TComponent* owner) : TBilingual(owner) {}
    std::string ClassName() const override { return "TExtLabel"; }
};

class TExtButton : public TBilingual<tk::TButton> {
public:
    explicit TExtButton(tk::TComponent* owner) : TBilingual(owner) {}
    std::string ClassName() const override { return "TExtButton"; }
};

class TExtCheckBox : public TBilingual<tk::TCheckBox> {
public:
    explicit TExtCheckBox(tk::TComponent* owner) : TBilingual(owner) {}
    std::string ClassName() const override { return "TExtCheckBox"; }
};

class TExtRadioButton : public TBilingual<tk::TRadioButton> {
public:
    explicit TExtRadioButton(tk::TComponent* owner) : TBilingual(owner) {}
    std::string ClassName() const override { return "TExtRadioButton"; }
};

class TExtGroupBox : public TBilingual<tk::TGroupBox> {
public:
    explicit TExtGroupBox(tk::TComponent* owner) : TBilingual(owner) {}
    std::string ClassName() const override { return "TExtGroupBox"; }
};

// A speed button with both captions and hints, and OnDown: raised once for every change from
// released to pressed, by code or by a click.
class TExtSpeedButton : public tk::TSpeedButton {
public:
    explicit TExtSpeedButton(tk::TComponent* owner) : tk::TSpeedButton(owner) {}
    std::string ClassName() const override { return "TExtSpeedButton"; }

    const std::string& HintGerman() const { return m_hintGerman; }
    const std::string& HintEnglish() const { return m_hintEnglish; }
    const std::string& CaptionGerman() const { return m_captionGerman; }
    const std::string& CaptionEnglish() const { return m_captionEnglish; }
    // Down read and written through the class's own accessors (a plain TSpeedButton reference
    // reaches the toolkit's, which raises no OnDown).
    bool Down() const { return GetDown(); }

    virtual void SetHintGerman(const std::string& text);
    virtual void SetHintEnglish(const std::string& text);
    virtual void SetCaptionGerman(const std::string& text);
    virtual void SetCaptionEnglish(const std::string& text);
    // The toolkit's Down assignment with its group rules, then OnDown on a change to pressed.
    virtual void SetDown(bool value);
    virtual bool GetDown() const;

    tk::TNotifyEvent OnDown;

protected:
    void MouseUp(tk::TMouseButton button, tk::TShiftState shift, int x, int y) override;

private:
    std::string m_hintEnglish;
    std::string m_hintGerman;
    std::string m_captionEnglish;
    std::string m_captionGerman;
};

// Makes the six classes known to the form reader (called before any layout is read).
void RegisterClass_b();

} // namespace controls

namespace krvl {
using controls::TExtButton;
using controls::TExtCheckBox;
using controls::TExtGroupBox;
using controls::TExtLabel;
using controls::TExtRadioButton;
using controls::TExtSpeedButton;
} // namespace krvl
