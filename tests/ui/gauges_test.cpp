#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "ui/Gauges.h"
#include "ui_fixture.h"

namespace {

class GaugeTest : public UiTest {
 protected:
  GaugeTest() {
    form.SetName("UpdateForm");
    form.Show();
  }

  int Repaints() const {
    return static_cast<int>(std::count_if(
        script.Events().begin(), script.Events().end(),
        [](const std::string& event) { return event.starts_with("repaint UpdateForm.ProgressBar"); }));
  }

  TForm& form = app.CreateForm<TForm>();
  TGauge& gauge = form.Create<TGauge>("ProgressBar");
};

TEST_F(GaugeTest, MaximumRules) {
  struct Case {
    std::int64_t progressBefore, newMax, max, progress;
    int repaints;
  } cases[] = {
      {40, 0, 100, 40, 0},        // 0 keeps the old maximum
      {40, 50, 50, 40, 1},        // stored, the progress fits
      {80, 50, 50, 50, 1},        // the progress is lowered to it
      {40, 100, 100, 40, 1},      // the same maximum still repaints
      {40, 1000000, 1000000, 40, 1},
  };
  for (const Case& c : cases) {
    gauge.SetMaxValue(100);
    gauge.SetProgress(c.progressBefore);
    const int before = Repaints();
    gauge.SetMaxValue(c.newMax);
    EXPECT_EQ(gauge.MaxValue(), c.max) << "new maximum " << c.newMax;
    EXPECT_EQ(gauge.Progress(), c.progress) << "new maximum " << c.newMax;
    EXPECT_EQ(Repaints() - before, c.repaints) << "new maximum " << c.newMax;
  }
}

TEST_F(GaugeTest, MaximumBelowTheMinimumRaisesAndKeepsTheGauge) {
  gauge.SetMaxValue(100);
  gauge.SetProgress(30);
  EXPECT_THROW(gauge.SetMaxValue(-5), EInvalidOperation);
  EXPECT_EQ(gauge.MaxValue(), 100);
  EXPECT_EQ(gauge.Progress(), 30);
}

TEST_F(GaugeTest, ProgressIsClampedAndRepaintsOnlyWhenThePercentageChanges) {
  gauge.SetMaxValue(1000);
  struct Case {
    std::int64_t progress, stored;
    const char* shown;
    int repaints;
  } cases[] = {
      {5, 5, "0%", 0},       // 0.5 % still shows 0 %
      {10, 10, "1%", 1},
      {19, 19, "1%", 0},
      {-7, 0, "0%", 1},      // below the minimum
      {999, 999, "99%", 1},
      {5000, 1000, "100%", 1},  // above the maximum
      {7000, 1000, "100%", 0},
  };
  for (const Case& c : cases) {
    const int before = Repaints();
    gauge.SetProgress(c.progress);
    EXPECT_EQ(gauge.Progress(), c.stored) << c.progress;
    EXPECT_EQ(gauge.PercentText(), c.shown) << c.progress;
    EXPECT_EQ(Repaints() - before, c.repaints) << c.progress;
  }
  EXPECT_TRUE(RecordedInOrder({"repaint UpdateForm.ProgressBar 1%",
                               "repaint UpdateForm.ProgressBar 100%"}));
}

TEST(GaugePercentTest, FloorOfTheShareOverTheWhole64BitRange) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  struct Case {
    std::int64_t min, max, progress;
    int percent;
  } cases[] = {
      {0, 1000000, 500000, 50},
      {0, 3, 1, 33},
      {0, 3, 2, 66},
      {0, 5000000000LL, 4999999999LL, 99},  // above 2 GiB
      {0, kMax, kMax - 1, 99},
      {0, kMax, kMax / 2, 49},
      {kMin, kMax, 0, 50},
      {10, 10, 10, 0},                       // an empty range shows 0
  };
  for (const Case& c : cases) {
    TGauge gauge;
    gauge.SetMaxValue(c.max);
    gauge.SetMinValue(c.min);
    gauge.SetProgress(c.progress);
    EXPECT_EQ(gauge.PercentDone(), c.percent) << c.min << " " << c.max << " " << c.progress;
  }
}

TEST(GaugePercentTest, MinimumAboveTheMaximumRaises) {
  TGauge gauge;
  EXPECT_THROW(gauge.SetMinValue(101), EInvalidOperation);
  gauge.SetMinValue(100);
  EXPECT_EQ(gauge.Progress(), 100);
}

}  // namespace
