#include "ui/design_font.h"

#include <cwchar>

#include "ui/control_text.h"
#include "ui/dpi.h"
#include "ui/ui_texts.h"

namespace ui {
namespace {

constexpr int kDesignCharacterHeight = 12;

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

std::wstring ChooseFontFace(const std::function<bool(const std::wstring&)>& installed) {
  const std::wstring design = ShownText(texts::FontFace());
  const std::wstring candidates[] = {design, L"MS PGothic", L"MS UI Gothic", L"Meiryo UI",
                                     L"Yu Gothic UI"};
  for (const std::wstring& face : candidates) {
    if (installed(face)) return face;
  }
  return design;
}

bool FontFaceInstalled(const std::wstring& face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  wcsncpy(wanted.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

HFONT CreateDesignFont(UINT dpi) {
  static const std::wstring face = ChooseFontFace(FontFaceInstalled);
  LOGFONTW font{};
  font.lfHeight = -ScaleToDpi(kDesignCharacterHeight, dpi);  // negative: character height
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectW(&font);
}

}  // namespace ui
