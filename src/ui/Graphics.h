#pragma once
// Colours and fonts.

#include <cstdint>
#include <functional>
#include <string>

#include "ui/Sets.h"

// A colour as the system stores it: 0x00BBGGRR, or a system colour (0x80000000 + index) that
// a backend resolves with ColorToRGB.
using TColor = std::int32_t;

constexpr TColor RGBToColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
// System colours.
inline constexpr TColor clWindow = static_cast<TColor>(0x80000005u);
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);

// The RGB value of a colour; system colours take the classic scheme (silver faces, white
// windows, black text).
TColor ColorToRGB(TColor color);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t RUSSIAN_CHARSET = 204;

// A font description. The height is what is stored (pixels, negative for a character height
// as the system does it); the size in points follows from it at 96 dots per inch.
class TFont {
 public:
  TFont() = default;
  // Copies take the description only; OnChange stays with its font.
  TFont(const TFont& other);
  TFont& operator=(const TFont& other);  // runs OnChange when the description differs

  // Runs after any change of the description (the control that owns the font listens).
  std::function<void()> OnChange;

  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  // Points: -Height * 72 / 96, rounded.
  int Size() const;
  // Height = -Size * 96 / 72, rounded.
  void SetSize(int points);
  int Height() const { return height_; }
  void SetHeight(int pixels);
  std::uint8_t Charset() const { return charset_; }
  void SetCharset(std::uint8_t charset);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // Same description.
  friend bool operator==(const TFont& a, const TFont& b);

 private:
  void Changed();

  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  std::uint8_t charset_ = DEFAULT_CHARSET;
  TFontStyles style_;
  TColor color_ = clWindowText;
};
