#include "platform/win32/view/gothic_font.h"

#include <array>

#include "platform/win32/view/dpi.h"
#include "platform/win32/view/view_text.h"

namespace mirtel {

namespace {

int CALLBACK Found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool SystemHas(HDC dc, const std::wstring& face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = SHIFTJIS_CHARSET;
  face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, Found, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

std::wstring ChooseGothicFace() {
  const std::wstring designed = ToWide(kGothicFace);
  // Yu Gothic UI and Meiryo UI come with every Japanese Windows since 7;
  // the ＭＳ faces may be missing where the Japanese supplement is not
  // installed, and then MS UI Gothic, from the same file, is missing too.
  const std::array<std::wstring, 5> faces{designed, L"MS PGothic", L"Yu Gothic UI", L"Meiryo UI",
                                          L"MS UI Gothic"};
  HDC screen = GetDC(nullptr);
  std::wstring chosen = designed;
  for (const std::wstring& face : faces) {
    if (screen != nullptr && SystemHas(screen, face)) {
      chosen = face;
      break;
    }
  }
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return chosen;
}

}  // namespace

std::wstring GothicFace() {
  static const std::wstring face = ChooseGothicFace();
  return face;
}

LOGFONTW DesignFont(FontId font, UINT dpi) {
  if (font == FontId::Default) return MessageFontAt(dpi);
  LOGFONTW f{};
  f.lfHeight = -Scaled(font == FontId::Gothic15 ? 15 : 16, dpi);
  f.lfWeight = font == FontId::Gothic16Bold ? FW_BOLD : FW_NORMAL;
  f.lfCharSet = SHIFTJIS_CHARSET;
  f.lfOutPrecision = OUT_DEFAULT_PRECIS;
  f.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  f.lfQuality = DEFAULT_QUALITY;
  f.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  GothicFace().copy(f.lfFaceName, LF_FACESIZE - 1);
  return f;
}

}  // namespace mirtel
