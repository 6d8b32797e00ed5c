#include "wizard/win32/ViewFonts.h"

namespace setup::view {
namespace {

// Heights in pixels at 96 dots per inch: 8 point is 11 pixels, 12 point 16, 28 point 37. The
// layout is not scaled, so neither are the fonts.
OwnedGdi MakeFont(int height, int weight, const wchar_t* face) {
  return OwnedGdi(CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, face));
}

}  // namespace

ViewFonts::ViewFonts()
    : normal_(MakeFont(11, FW_NORMAL, L"MS Sans Serif")),
      welcome_(MakeFont(16, FW_BOLD, L"MS Sans Serif")),
      destination_(MakeFont(16, FW_BOLD, L"MS Sans Serif")),
      version_(MakeFont(37, FW_NORMAL, L"Arial")) {}

HFONT ViewFonts::Get(ControlFont font) const {
  switch (font) {
    case ControlFont::WelcomeBold:
      return static_cast<HFONT>(welcome_.Get());
    case ControlFont::DestinationBold:
      return static_cast<HFONT>(destination_.Get());
    case ControlFont::Version:
      return static_cast<HFONT>(version_.Get());
    case ControlFont::Normal:
      break;
  }
  return static_cast<HFONT>(normal_.Get());
}

}  // namespace setup::view
