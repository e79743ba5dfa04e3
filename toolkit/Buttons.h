// The speed button: a flat-able graphic button that latches in groups.
#pragma once

#include "toolkit/Controls.h"

namespace tk {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    std::string ClassName() const override { return "TSpeedButton"; }

    // Buttons of one parent with the same non-zero GroupIndex exclude each other.
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int v);
    bool AllowAllUp() const { return m_allowAllUp; }
    // Shared by the whole group.
    void SetAllowAllUp(bool v);
    bool Down() const { return m_down; }
    // The classic rules: only a grouped button can be down; a down button of a group without
    // AllowAllUp stays down; going down releases the group's other buttons. Raises nothing.
    void SetDown(bool v);
    bool Flat() const { return m_flat; }
    void SetFlat(bool v);
    const TPicture& Glyph() const { return m_glyph; }
    void SetGlyph(const TPicture& glyph);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int v);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout v);
    int Margin() const { return m_margin; }
    void SetMargin(int v);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int v);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool v);
    TButtonState State() const { return m_state; }

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint(TCanvas& canvas) override;
    void ParentChanged() override;

private:
    void UpdateExclusive();
    void GroupButtonPressed(TSpeedButton* sender);

    int m_groupIndex{};
    bool m_allowAllUp{};
    bool m_down{};
    bool m_flat{};
    TPicture m_glyph;
    int m_numGlyphs{1};
    TButtonLayout m_layout{blGlyphLeft};
    int m_margin{-1};
    int m_spacing{4};
    bool m_transparent{true};
    TButtonState m_state{bsUp};
    bool m_dragging{};
};

} // namespace tk
