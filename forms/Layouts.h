// The window layouts compiled into the program, found by file name ("Mixctrl.dfm").
#pragma once

#include <string>
#include <string_view>

namespace tk {
class TForm;
}

namespace forms {

// The layout's text; empty when there is no such layout.
std::string_view Find(std::string_view fileName);
// Makes the program's own control classes known to the form reader (Load does this itself).
void RegisterClasses();
// Reads the layout into the form; a missing layout or a layout error throws, naming the file.
void Load(tk::TForm& form, std::string_view fileName);

} // namespace forms
