#pragma once
// The gauge: a bar that shows progress and its percentage.

#include <cstdint>
#include <string>

#include "ui/Controls.h"

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

class TGauge : public TControl {
 public:
  TGauge();

  std::int64_t MinValue() const { return minValue_; }
  // EInvalidOperation when the minimum would lie above the maximum; the progress is raised
  // to it when lower.
  void SetMinValue(std::int64_t value);
  std::int64_t MaxValue() const { return maxValue_; }
  // 0 changes nothing; a value below the minimum raises EInvalidOperation; otherwise the
  // maximum is stored, the progress lowered to it when higher, and the gauge repaints.
  void SetMaxValue(std::int64_t value);
  std::int64_t Progress() const { return progress_; }
  // Clamped into [MinValue, MaxValue]; repaints only when the shown percentage changes.
  void SetProgress(std::int64_t value);
  // floor((Progress - MinValue) * 100 / (MaxValue - MinValue)); 0 when the range is empty.
  int PercentDone() const;
  // "P%": the text the gauge shows.
  std::string PercentText() const;

  // The bar's colour; Color() is the background.
  TColor ForeColor() const { return foreColor_; }
  void SetForeColor(TColor color);
  TGaugeKind Kind() const { return kind_; }
  void SetKind(TGaugeKind kind) { kind_ = kind; }
  bool ShowText() const { return showText_; }
  void SetShowText(bool showText) { showText_ = showText; }

 private:
  std::int64_t minValue_ = 0;
  std::int64_t maxValue_ = 100;
  std::int64_t progress_ = 0;
  TColor foreColor_ = clBlack;
  TGaugeKind kind_ = gkHorizontalBar;
  bool showText_ = true;
};
