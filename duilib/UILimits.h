// What the toolkit is willing to build and draw for a skin. Skins lie beside the executable where
// anyone may change them, so sizes, fonts, texts, expansions and images are held to bounds that no
// real skin comes near; past them the toolkit builds and draws less and says so once through
// Report, never crashing, hanging or taking the memory of the machine.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace DuiLib::Limits {

// Positions, sizes, margins and radii of controls, in 96-DPI units as read from the skin, and the
// pixel rectangles the layout gives controls.
constexpr int kMaxCoordinate = 32767;
// The window's own size in 96-DPI units: its frame is one bitmap of that many pixels.
constexpr int kMaxWindowSize = 4096;
// Font sizes: 96-DPI pixels as the skin gives them, and pixels after scaling for the DPI.
constexpr int kMaxFontSize = 500;
constexpr int kMaxFontPixels = 1500;
// Characters handed to GDI+ in one call to measure or draw, and the width of one drawn run in
// pixels (GDI+ draws a run through a buffer of its size).
constexpr std::size_t kMaxRunChars = 512;
constexpr float kMaxRunPixels = 4096;
// Style and Include expansions of one build.
constexpr int kMaxStyleExpansions = 256;
constexpr int kMaxIncludes = 64;
// Images: each side, and pixels in all, of one image; and what the image cache keeps.
constexpr UINT kMaxImageSide = 16384;
constexpr unsigned long long kMaxImagePixels = 4096ULL * 4096ULL;
constexpr unsigned long long kMaxCachedPixels = 2 * kMaxImagePixels;
constexpr std::size_t kMaxCachedImages = 256;
// The pixels an animation's frames may keep decoded (UIImageStrip.h), as many as the image cache.
constexpr unsigned long long kMaxStripPixels = kMaxCachedPixels;

constexpr int ClampCoordinate(long long value) {
    return value < -kMaxCoordinate ? -kMaxCoordinate
                                   : (value > kMaxCoordinate ? kMaxCoordinate : static_cast<int>(value));
}
RECT ClampRect(const RECT& rc);

// Tells whoever looks (a debugger, DebugView) why a skin was not built or drawn in full.
void Report(const std::wstring& message);
// Tests see the reports: the sink gets each message instead of the debugger; null restores it.
using ReportSink = void (*)(const wchar_t* message);
void SetReportSink(ReportSink sink);

} // namespace DuiLib::Limits
