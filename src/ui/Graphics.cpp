#include "ui/Graphics.h"

namespace {

constexpr std::uint32_t kSystemColorFlag = 0x80000000u;

// MulDiv as the system rounds it: half away from zero.
int MulDiv(int number, int numerator, int denominator) {
  const long long product = static_cast<long long>(number) * numerator;
  const long long half = denominator / 2;
  const long long rounded = product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator;
  return static_cast<int>(rounded);
}

constexpr int kPixelsPerInch = 96;
constexpr int kPointsPerInch = 72;

}  // namespace

TColor ColorToRGB(TColor color) {
  if ((static_cast<std::uint32_t>(color) & kSystemColorFlag) == 0) return color;
  switch (color) {
    case clBtnFace:
      return clSilver;
    case clWindow:
      return clWhite;
    default:
      return clBlack;  // clWindowText and the other text colours
  }
}

TFont::TFont(const TFont& other)
    : name_(other.name_),
      height_(other.height_),
      charset_(other.charset_),
      style_(other.style_),
      color_(other.color_) {}

TFont& TFont::operator=(const TFont& other) {
  if (*this == other) return *this;
  name_ = other.name_;
  height_ = other.height_;
  charset_ = other.charset_;
  style_ = other.style_;
  color_ = other.color_;
  Changed();
  return *this;
}

bool operator==(const TFont& a, const TFont& b) {
  return a.name_ == b.name_ && a.height_ == b.height_ && a.charset_ == b.charset_ &&
         a.style_ == b.style_ && a.color_ == b.color_;
}

void TFont::Changed() {
  if (OnChange) OnChange();
}

void TFont::SetName(std::string name) {
  if (name == name_) return;
  name_ = std::move(name);
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, kPointsPerInch, kPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, kPixelsPerInch, kPointsPerInch)); }

void TFont::SetHeight(int pixels) {
  if (pixels == height_) return;
  height_ = pixels;
  Changed();
}

void TFont::SetCharset(std::uint8_t charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}
