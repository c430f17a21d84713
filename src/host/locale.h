#pragma once
// The system's display language, and the suite's display font from the registry.

#include <string>

class TControl;

// The suite's font as the registry holds it under HKEY_CURRENT_USER\software\VELMORIA.
struct FontSettings {
  std::string Name;
  int Size = 8;  // points
};

// "Font" when it is a non-empty text, else `defaultName`; "FontSize" when it is a number, else
// 8. The key is created when missing; nothing is written into it. Never fails.
FontSettings ReadFontSettings(const std::string& defaultName);

// Gives the controls that `owner` (a window or a frame) owns the suite's face and the
// character set of the language: Cyrillic (204) with "Arial" as the default face when
// `russian`, else the default character set with "MS Sans Serif". An empty `fontName` takes the
// face from the registry; frames read it again for themselves. The owner's own font only gets
// the character set; font sizes stay as they are.
void ApplyFonts(TControl& owner, bool russian, const std::string& fontName);

// The name of the system's default language, as the system words it.
std::string GetSystemLanguageName();
