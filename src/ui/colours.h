#pragma once
// The window's palette as 24-bit colour references (red in the low byte), the
// layout COLORREF uses, so values pass to GDI unchanged.
#include <cstdint>

using Colour = uint32_t;

constexpr Colour rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | (green << 8) | (blue << 16); }
constexpr uint32_t redOf(Colour c) { return c & 0xFF; }
constexpr uint32_t greenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr uint32_t blueOf(Colour c) { return (c >> 16) & 0xFF; }

inline constexpr uint32_t kFullColourWeight = 255;

constexpr uint32_t blendChannel(uint32_t a, uint32_t b, uint32_t weight) {
  return (b * (kFullColourWeight - weight) + a * weight) / kFullColourWeight;
}

// Per channel (b * (255 - weight) + a * weight) / 255: weight 255 gives a, 0 gives b.
constexpr Colour blendColour(Colour a, Colour b, uint32_t weight) {
  const uint32_t w = weight > kFullColourWeight ? kFullColourWeight : weight;
  return rgb(blendChannel(redOf(a), redOf(b), w), blendChannel(greenOf(a), greenOf(b), w),
             blendChannel(blueOf(a), blueOf(b), w));
}

// Opaque GDI+ ARGB from a colour reference.
constexpr uint32_t toArgb(Colour c) { return 0xFF000000u | (redOf(c) << 16) | (greenOf(c) << 8) | blueOf(c); }

namespace palette {
inline constexpr Colour kBackground = rgb(37, 37, 38);
inline constexpr Colour kBorder = rgb(60, 60, 63);
inline constexpr Colour kAccent = rgb(0, 120, 212);
inline constexpr Colour kPrimaryPressed = rgb(0, 96, 168);
// White on it keeps 4.5:1 (5.06:1); a lighter blue would fall below the rule for text.
inline constexpr Colour kPrimaryHovered = rgb(0, 112, 200);
inline constexpr Colour kMainText = rgb(232, 232, 232);
inline constexpr Colour kAlertText = rgb(244, 135, 113);
inline constexpr Colour kDetailText = rgb(166, 166, 166);
inline constexpr Colour kBarTrack = rgb(30, 30, 30);
// The track alone is 1.09:1 against the window; its outline keeps 3:1, so an
// empty or low bar can still be seen.
inline constexpr Colour kBarTrackOutline = rgb(110, 110, 114);
inline constexpr Colour kNoteBox = rgb(45, 45, 48);
inline constexpr Colour kActiveDot = rgb(79, 163, 240);
inline constexpr Colour kIdleDot = rgb(210, 153, 34);
inline constexpr Colour kSeparator = rgb(55, 55, 58);
inline constexpr Colour kButtonHoverFill = rgb(55, 55, 59);
inline constexpr Colour kOutlineBorder = rgb(70, 70, 74);
inline constexpr Colour kOutlineDisabledText = rgb(107, 107, 112);
inline constexpr Colour kWhite = rgb(255, 255, 255);  // also the focus ring: it stands out on every face
inline constexpr uint32_t kNoteTextWeight = 220;
inline constexpr uint32_t kDisabledPrimaryWeight = 90;
inline constexpr uint32_t kDisabledPrimaryTextWeight = 120;
}  // namespace palette

// Every colour the painter uses, by role. The dark palette above is the look;
// in high-contrast mode the same roles take the system's colours instead.
struct SetupColours {
  Colour background, border, badge, badgeGlyph, titleText, headingText, alertText, detailText;
  Colour barTrack, barTrackOutline, barFill, noteBox, noteText, activeDot, idleDot, separator;
  Colour primaryFace, primaryPressed, primaryHovered, primaryText, primaryDisabledFace, primaryDisabledText;
  Colour glyphIdle, hoverFill, hoverText, hoverBorder;
  Colour outlineFace, outlineBorder, outlineText, outlineDisabledText;
  Colour primaryFocusRing, outlineFocusRing, glyphFocusRing;
  bool outlineNoteBox;  // the note box gets a border in `border`, for a fill that matches the background
  bool operator==(const SetupColours&) const = default;
};

inline constexpr SetupColours kDarkColours = {
    palette::kBackground, palette::kBorder, palette::kAccent, palette::kWhite, palette::kMainText,
    palette::kMainText, palette::kAlertText, palette::kDetailText,
    palette::kBarTrack, palette::kBarTrackOutline, palette::kAccent, palette::kNoteBox,
    blendColour(palette::kMainText, palette::kBackground, palette::kNoteTextWeight), palette::kActiveDot,
    palette::kIdleDot, palette::kSeparator,
    palette::kAccent, palette::kPrimaryPressed, palette::kPrimaryHovered, palette::kWhite,
    blendColour(palette::kAccent, palette::kBackground, palette::kDisabledPrimaryWeight),
    blendColour(palette::kWhite, palette::kBackground, palette::kDisabledPrimaryTextWeight),
    palette::kDetailText, palette::kButtonHoverFill, palette::kMainText, palette::kOutlineBorder,
    palette::kBackground, palette::kOutlineBorder, palette::kMainText, palette::kOutlineDisabledText,
    palette::kWhite, palette::kWhite, palette::kWhite,
    false,
};

// The system colours that high-contrast mode paints with.
struct SystemColours {
  Colour window, windowText, buttonFace, buttonText, highlight, highlightText, grayText;
};

// Every control in the pairs a high-contrast theme guarantees to keep apart:
// text and lines in window text on the window, buttons in button text on the
// button face, what is filled or lit (badge, primary button, hover) in
// highlight text on the highlight, the unavailable state in gray text. Only
// the pairs are guaranteed, so nothing is drawn across them (a button caption
// on the window could vanish where button text is close to the window colour).
// Colour carries no meaning here, so the alert heading and both dots are plain
// window text.
constexpr SetupColours highContrastColours(const SystemColours& system) {
  const Colour window = system.window;
  const Colour text = system.windowText;
  const Colour face = system.buttonFace;
  const Colour faceText = system.buttonText;
  const Colour lit = system.highlight;
  const Colour litText = system.highlightText;
  const Colour unavailable = system.grayText;
  return SetupColours{
      window, text, lit, litText, text, text, text, text,
      window, text, lit, window, text, text, text, text,
      lit, lit, lit, litText, face, unavailable,
      text, lit, litText, litText,
      face, faceText, faceText, unavailable,
      litText, faceText, text,
      true,
  };
}
