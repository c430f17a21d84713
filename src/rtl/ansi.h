#pragma once
// Texts of the system are bytes in the ANSI code page, Windows-1251. The sources keep Russian
// literals readable (UTF-8); Ansi() turns such a literal into the bytes the program works with.
// Only a backend that draws converts back, with AnsiToUtf8().

#include <string>
#include <string_view>

// UTF-8 to Windows-1251. A character that the code page lacks becomes "?".
std::string Ansi(std::string_view utf8);

// Windows-1251 to UTF-8, for display.
std::string AnsiToUtf8(std::string_view ansi);
