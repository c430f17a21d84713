#include "ui/Gauges.h"

#include <algorithm>
#include <utility>

namespace {

// A 128-bit product as two halves, so that the percentage is exact over the whole 64-bit range
// without a wider integer type (which a 32-bit target lacks).
struct Wide {
  std::uint64_t high;
  std::uint64_t low;
  friend auto operator<=>(const Wide&, const Wide&) = default;
};

Wide MultiplySmall(std::uint64_t value, std::uint32_t factor) {
  const std::uint64_t lowPart = (value & 0xFFFFFFFFu) * factor;
  const std::uint64_t highPart = (value >> 32) * factor;
  const std::uint64_t low = lowPart + (highPart << 32);
  const std::uint64_t carry = low < lowPart ? 1 : 0;
  return {(highPart >> 32) + carry, low};
}

// floor(part * 100 / whole) for part <= whole, whole > 0.
int Percent(std::uint64_t part, std::uint64_t whole) {
  const Wide scaled = MultiplySmall(part, 100);
  int percent = 100;
  while (percent > 0 && MultiplySmall(whole, static_cast<std::uint32_t>(percent)) > scaled) {
    --percent;
  }
  return percent;
}

// b - a for a <= b, as the distance it is even where the signed difference would overflow.
std::uint64_t Distance(std::int64_t a, std::int64_t b) {
  return static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a);
}

}  // namespace

TGauge::TGauge() { SetColor(clWhite); }

void TGauge::SetMinValue(std::int64_t value) {
  if (value > maxValue_) {
    throw EInvalidOperation(
        Format("Gauge minimum %d is above the maximum %d", {value, maxValue_}));
  }
  minValue_ = value;
  progress_ = std::max(progress_, minValue_);
  Repaint();
}

void TGauge::SetMaxValue(std::int64_t value) {
  if (value == 0) return;
  if (value < minValue_) {
    throw EInvalidOperation(
        Format("Gauge maximum %d is below the minimum %d", {value, minValue_}));
  }
  maxValue_ = value;
  progress_ = std::min(progress_, maxValue_);
  Repaint();
}

void TGauge::SetProgress(std::int64_t value) {
  const int shownBefore = PercentDone();
  progress_ = std::clamp(value, minValue_, maxValue_);
  if (PercentDone() != shownBefore) Repaint();
}

int TGauge::PercentDone() const {
  if (maxValue_ == minValue_) return 0;
  return Percent(Distance(minValue_, progress_), Distance(minValue_, maxValue_));
}

std::string TGauge::PercentText() const { return IntToStr(PercentDone()) + "%"; }

void TGauge::SetForeColor(TColor color) {
  if (color == foreColor_) return;
  foreColor_ = color;
  Changed(TControlChange::Color);
}
