#include "host/locale.h"

#include <cstdint>

#include "platform/platform.h"
#include "platform/registry.h"
#include "rtl/sysutils.h"
#include "ui/AdvGrid.h"
#include "ui/Controls.h"

namespace {

constexpr const char* kSuiteKey = "\\software\\VELMORIA";

struct LanguageFonts {
  std::uint8_t charset;
  const char* defaultName;
};

LanguageFonts FontsFor(bool russian) {
  if (russian) {
    return {RUSSIAN_CHARSET, "Arial"};
  }
  return {DEFAULT_CHARSET, "MS Sans Serif"};
}

// "Font" as a non-empty text; empty when it is missing, empty or not a text.
std::string ReadFontName(TRegistry& registry) {
  try {
    return registry.ReadString("Font");
  } catch (const ERegistryException&) {
    return {};
  }
}

}  // namespace

FontSettings ReadFontSettings(const std::string& defaultName) {
  FontSettings settings{defaultName, 8};
  TRegistry registry(platform::kKeyAllAccess);
  if (!registry.OpenKey(kSuiteKey, true)) {
    return settings;
  }
  const std::string name = ReadFontName(registry);
  if (!name.empty()) {
    settings.Name = name;
  }
  if (registry.GetDataType("FontSize") == TRegDataType::rdInteger) {
    settings.Size = registry.ReadInteger("FontSize");
  }
  return settings;
}

void ApplyFonts(TControl& owner, bool russian, const std::string& fontName) {
  const LanguageFonts fonts = FontsFor(russian);
  owner.Font().SetCharset(fonts.charset);
  const std::string face = fontName.empty() ? ReadFontSettings(fonts.defaultName).Name : fontName;

  for (int i = 0; i < owner.ComponentCount(); ++i) {
    auto* control = dynamic_cast<TControl*>(owner.Components(i));
    if (control == nullptr) {
      continue;
    }
    control->Font().SetCharset(fonts.charset);
    control->Font().SetName(face);
    control->Repaint();
    control->Perform(CM_FONTCHANGED, 0, 0);
    if (auto* frame = dynamic_cast<TFrame*>(control)) {
      ApplyFonts(*frame, russian, "");
    }
    if (auto* grid = dynamic_cast<TAdvStringGrid*>(control)) {
      grid->FixedFont().SetCharset(fonts.charset);
    }
  }
}

std::string GetSystemLanguageName() {
  platform::System& system = platform::TheSystem();
  return system.VerLanguageName(system.GetSystemDefaultLangID());
}
