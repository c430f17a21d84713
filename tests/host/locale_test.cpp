#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "host/locale.h"
#include "support/fake_platform.h"
#include "ui/AdvGrid.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/scripted/ScriptedBackend.h"

namespace {

using platform::RegistryValue;

RegistryValue Text(std::string text, std::uint32_t type = platform::kRegSz) {
  return {.type = type, .text = std::move(text), .number = 0};
}
RegistryValue Number(std::uint32_t number) {
  return {.type = platform::kRegDword, .text = {}, .number = number};
}

// A window as the update window is built: a label, the update list grid, a frame with a label
// of its own, and a component that is no control.
class FontsFixture : public testing::Test {
 protected:
  FontsFixture()
      : form_(session_.App().CreateForm<TForm>()),
        label_(form_.Create<TLabel>("Label8")),
        grid_(form_.Create<TAdvStringGrid>("UpdateSg")),
        frame_(form_.Create<TFrame>("Frame1")),
        frameLabel_(frame_.Create<TLabel>("FrameLabel")) {
    form_.SetName("UpdateForm");
    form_.Create<TComponent>("Archive");
    label_.Font().SetName("Verdana");
    label_.Font().SetSize(20);
    grid_.FixedFont().SetName("Tahoma");
    frameLabel_.Font().SetHeight(-14);
  }

  void PutFont(RegistryValue value) { fake_.registry.Put("Software\\Velmoria", "Font", value); }

  bool Recorded(const std::string& event) {
    const auto& events = session_.Script().Events();
    return std::find(events.begin(), events.end(), event) != events.end();
  }

  ScopedFakePlatform fake_;
  ui::ScriptedSession session_;
  TForm& form_;
  TLabel& label_;
  TAdvStringGrid& grid_;
  TFrame& frame_;
  TLabel& frameLabel_;
};

struct FaceCase {
  std::string description;
  std::optional<RegistryValue> font;
  std::string face;
};

void PrintTo(const FaceCase& c, std::ostream* os) { *os << c.description; }

class ApplyFontsFace : public FontsFixture, public testing::WithParamInterface<FaceCase> {};

TEST_P(ApplyFontsFace, GivesEveryControlTheFaceAndTheCyrillicCharset) {
  if (GetParam().font) PutFont(*GetParam().font);

  ApplyFonts(form_, true, "");

  for (const TControl* control : {static_cast<const TControl*>(&label_),
                                  static_cast<const TControl*>(&grid_),
                                  static_cast<const TControl*>(&frame_),
                                  static_cast<const TControl*>(&frameLabel_)}) {
    EXPECT_EQ(control->Font().Name(), GetParam().face) << control->Name();
    EXPECT_EQ(control->Font().Charset(), RUSSIAN_CHARSET) << control->Name();
  }
  EXPECT_EQ(form_.Font().Name(), "MS Sans Serif");
  EXPECT_EQ(form_.Font().Charset(), RUSSIAN_CHARSET);
  EXPECT_EQ(grid_.FixedFont().Charset(), RUSSIAN_CHARSET);
  EXPECT_EQ(grid_.FixedFont().Name(), "Tahoma");
}

INSTANTIATE_TEST_SUITE_P(Registry, ApplyFontsFace, testing::Values(
    FaceCase{"no value", std::nullopt, "Arial"},
    FaceCase{"a text", Text("Tahoma"), "Tahoma"},
    FaceCase{"an expandable text", Text("Verdana", platform::kRegExpandSz), "Verdana"},
    FaceCase{"a number", Number(12), "Arial"},
    FaceCase{"an empty text", Text(""), "Arial"}));

TEST_F(FontsFixture, LeavesSizesAsTheyAre) {
  PutFont(Text("Tahoma"));
  const int gridHeight = grid_.Font().Height();
  ApplyFonts(form_, true, "");
  EXPECT_EQ(label_.Font().Size(), 20);
  EXPECT_EQ(label_.Font().Name(), "Tahoma");
  EXPECT_EQ(frameLabel_.Font().Height(), -14);
  EXPECT_EQ(grid_.Font().Height(), gridHeight);
}

TEST_F(FontsFixture, CreatesTheKeyEmptyWhenMissing) {
  ApplyFonts(form_, true, "");
  EXPECT_TRUE(fake_.registry.KeyExists("\\software\\VELMORIA"));
  EXPECT_TRUE(fake_.registry.ValueNames("Software\\Velmoria").empty());
  EXPECT_EQ(fake_.registry.OpenKeyCount(), 0u);
}

TEST_F(FontsFixture, RepaintsAndNotifiesEveryControl) {
  form_.Show();
  ApplyFonts(form_, true, "");
  for (const std::string name :
       {"UpdateForm.Label8", "UpdateForm.UpdateSg", "UpdateForm.Frame1",
        "UpdateForm.Frame1.FrameLabel"}) {
    EXPECT_TRUE(Recorded("repaint " + name)) << name << "\n" << session_.Script().Transcript();
    EXPECT_TRUE(Recorded("perform " + name + " 0xB00E 0 0"))
        << name << "\n" << session_.Script().Transcript();
  }
}

TEST_F(FontsFixture, AGivenFaceStopsAtFramesWhichReadTheRegistry) {
  PutFont(Text("Tahoma"));
  ApplyFonts(form_, false, "Courier New");
  EXPECT_EQ(label_.Font().Name(), "Courier New");
  EXPECT_EQ(label_.Font().Charset(), DEFAULT_CHARSET);
  EXPECT_EQ(frame_.Font().Name(), "Courier New");
  EXPECT_EQ(frameLabel_.Font().Name(), "Tahoma");
  EXPECT_EQ(frameLabel_.Font().Charset(), DEFAULT_CHARSET);
}

TEST_F(FontsFixture, WithoutRussianTheDefaultFaceIsMsSansSerif) {
  label_.Font().SetCharset(RUSSIAN_CHARSET);
  ApplyFonts(form_, false, "");
  EXPECT_EQ(label_.Font().Name(), "MS Sans Serif");
  EXPECT_EQ(label_.Font().Charset(), DEFAULT_CHARSET);
  EXPECT_EQ(grid_.FixedFont().Charset(), DEFAULT_CHARSET);
}

struct SettingsCase {
  std::string description;
  std::optional<RegistryValue> font;
  std::optional<RegistryValue> size;
  std::string name;
  int points;
};

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.description; }

class ReadFontSettingsFrom : public testing::TestWithParam<SettingsCase> {
 protected:
  ScopedFakePlatform fake_;
};

TEST_P(ReadFontSettingsFrom, FallsBackPerValue) {
  if (GetParam().font) fake_.registry.Put("SOFTWARE\\VELMORIA", "FONT", *GetParam().font);
  if (GetParam().size) fake_.registry.Put("software\\velmoria", "fontsize", *GetParam().size);
  const FontSettings settings = ReadFontSettings("Arial");
  EXPECT_EQ(settings.Name, GetParam().name);
  EXPECT_EQ(settings.Size, GetParam().points);
}

INSTANTIATE_TEST_SUITE_P(Registry, ReadFontSettingsFrom, testing::Values(
    SettingsCase{"nothing", std::nullopt, std::nullopt, "Arial", 8},
    SettingsCase{"both", Text("Tahoma"), Number(12), "Tahoma", 12},
    SettingsCase{"size as text", Text("Tahoma"), Text("12"), "Tahoma", 8},
    SettingsCase{"font as number", Number(5), Number(10), "Arial", 10}));

TEST(ReadFontSettings, AKeyThatCannotBeOpenedGivesTheDefaults) {
  ScopedFakePlatform fake;
  fake.registry.Put("Software\\Velmoria", "Font", Text("Tahoma"));
  fake.registry.FailCreateKey(platform::kErrorAccessDenied);
  fake.registry.FailOpenKey(platform::kErrorAccessDenied);
  const FontSettings settings = ReadFontSettings("Arial");
  EXPECT_EQ(settings.Name, "Arial");
  EXPECT_EQ(settings.Size, 8);
}

TEST(GetSystemLanguageName, NamesTheSystemsDefaultLanguage) {
  ScopedFakePlatform fake;
  fake.system.SetLanguage(0x0419);
  fake.system.SetLanguageName(0x0409, "English (United States)");
  fake.system.SetLanguageName(0x0419, "Russian");
  EXPECT_EQ(GetSystemLanguageName(), "Russian");
}

}  // namespace
