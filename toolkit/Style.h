// Stateless painting routines of the classic 3-D look, shared by every control.
#pragma once

#include "toolkit/Graphics.h"

#include <string>

namespace tk::style {

// Draws a frame of the given width inside rect (top/left in topLeft, bottom/right in bottomRight) and
// shrinks rect by it.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topLeft, TColor bottomRight, int width);
// A panel bevel (lowered, raised; none and space draw nothing but space still takes room).
void Bevel(TCanvas& canvas, TRect& rect, TBevelCut cut, int width);
// The sunken double edge of an edit field, list or scroll box; shrinks rect by 2.
void SunkenEdge(TCanvas& canvas, TRect& rect);
// The border of a panel, edit field or scroll box with BorderStyle bsSingle: sunken with Ctl3D, a
// plain frame without; shrinks rect by it. Returns the border's width.
int SingleBorder(TCanvas& canvas, TRect& rect, bool ctl3D);
// The face of a push button, up or pressed; shrinks rect to the face.
void ButtonFace(TCanvas& canvas, TRect& rect, bool pressed, bool isDefault, bool flat = false);
void CheckBox(TCanvas& canvas, const TRect& box, bool checked, bool enabled, bool grayed = false);
void RadioButton(TCanvas& canvas, const TRect& box, bool checked, bool enabled);
void FocusRect(TCanvas& canvas, const TRect& rect);
// The etched frame of a group box, leaving a gap for its caption.
void GroupFrame(TCanvas& canvas, const TRect& rect, int captionLeft, int captionWidth);

enum class TextLayout { Top, Center, Bottom };
// Caption text with "&" accelerators (underlined), aligned in rect; disabled text is embossed.
void CaptionText(TCanvas& canvas, const TRect& rect, const std::string& caption, const TFont& font,
                 TAlignment alignment, TextLayout layout, bool enabled, bool wordWrap = false);
// The size of a caption as CaptionText draws it.
TSize CaptionExtent(const std::string& caption, const TFont& font, bool wordWrap = false, int maxWidth = 0);

} // namespace tk::style
