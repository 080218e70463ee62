// The font of the window design: "ＭＳ Ｐゴシック", a character height of 12 pixels at
// 96 DPI, the Shift-JIS character set.
#ifndef HINMEI_UI_DESIGN_FONT_H_
#define HINMEI_UI_DESIGN_FONT_H_

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

// The design face when it is installed, else the first installed Japanese face of a
// short list of those Windows ships; when none is, the design face all the same, and
// the font mapper picks a face of the Shift-JIS character set.
std::wstring ChooseFontFace(const std::function<bool(const std::wstring&)>& installed);

// True when a face of that name with the Shift-JIS character set is installed.
bool FontFaceInstalled(const std::wstring& face);

// The design font for `dpi`; the caller deletes it.
HFONT CreateDesignFont(UINT dpi);

}  // namespace ui

#endif  // HINMEI_UI_DESIGN_FONT_H_
