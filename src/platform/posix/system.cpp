// The System interface on Linux: /proc for the program's own path and command line, the locale
// environment for the language, standard error for message boxes nobody presents.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix/files.h"
#include "platform/posix/last_error.h"
#include "rtl/ansi.h"
#include "rtl/sysutils.h"

namespace platform {

namespace {

struct ErrorText {
  std::uint32_t code;
  const char* text;
};

// FormatMessageA's English sentences for the codes this program can meet.
constexpr ErrorText kErrorTexts[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {19, "The media is write protected.\r\n"},
    {21, "The device is not ready.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {33, "The process cannot access the file because another process has locked a portion of "
         "the file.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {39, "The disk is full.\r\n"},
    {50, "The request is not supported.\r\n"},
    {53, "The network path was not found.\r\n"},
    {80, "The file exists.\r\n"},
    {82, "The directory or file cannot be created.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {110, "The system cannot open the device or file specified.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {128, "There are no child processes to wait for.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {170, "The requested resource is in use.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {223, "The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {258, "The wait operation timed out.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {299, "Only part of a ReadProcessMemory or WriteProcessMemory request was completed.\r\n"},
    {740, "The requested operation requires elevation.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1053, "The service did not respond to the start or control request in a timely fashion.\r\n"},
    {1117, "The request could not be performed because of an I/O device error.\r\n"},
    {1155, "No application is associated with the specified file for this operation.\r\n"},
    {1223, "The operation was canceled by the user.\r\n"},
    {1450, "Insufficient system resources exist to complete the requested service.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1816, "Not enough quota is available to process this command.\r\n"},
    {1921, "The name of the file cannot be resolved by the system.\r\n"},
    {10053, "An established connection was aborted by the software in your host machine.\r\n"},
    {10054, "An existing connection was forcibly closed by the remote host.\r\n"},
    {10060, "A connection attempt failed because the connected party did not properly respond "
            "after a period of time, or established connection failed because connected host "
            "has failed to respond.\r\n"},
    {10061, "No connection could be made because the target machine actively refused it.\r\n"},
    {10065, "A socket operation was attempted to an unreachable host.\r\n"},
    {11001, "No such host is known.\r\n"},
    {11004, "The requested name is valid, but no data of the requested type was found.\r\n"},
};

// Without inserts FormatMessageA cannot fill "%1" and fails, so such a text reads as empty.
bool HasInsertPlaceholder(std::string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') return true;
  }
  return false;
}

struct Language {
  std::uint16_t id;
  const char* language;  // ISO 639 code of the locale name
  const char* country;   // ISO 3166 code; the first row of a language is its default
  const char* name;      // as VerLanguageNameA words it
};

constexpr std::uint16_t kEnglishUnitedStates = 0x0409;

constexpr Language kLanguages[] = {
    {0x0409, "en", "US", "English (United States)"},
    {0x0809, "en", "GB", "English (United Kingdom)"},
    {0x0C09, "en", "AU", "English (Australia)"},
    {0x1009, "en", "CA", "English (Canada)"},
    {0x1409, "en", "NZ", "English (New Zealand)"},
    {0x1809, "en", "IE", "English (Ireland)"},
    {0x0419, "ru", "RU", "Russian"},
    {0x0407, "de", "DE", "German (Germany)"},
    {0x0C07, "de", "AT", "German (Austria)"},
    {0x0807, "de", "CH", "German (Switzerland)"},
    {0x040C, "fr", "FR", "French (France)"},
    {0x080C, "fr", "BE", "French (Belgium)"},
    {0x0C0C, "fr", "CA", "French (Canada)"},
    {0x100C, "fr", "CH", "French (Switzerland)"},
    {0x0410, "it", "IT", "Italian (Italy)"},
    {0x0810, "it", "CH", "Italian (Switzerland)"},
    {0x0C0A, "es", "ES", "Spanish (International Sort)"},
    {0x080A, "es", "MX", "Spanish (Mexico)"},
    {0x0816, "pt", "PT", "Portuguese (Portugal)"},
    {0x0416, "pt", "BR", "Portuguese (Brazil)"},
    {0x0413, "nl", "NL", "Dutch (Netherlands)"},
    {0x0813, "nl", "BE", "Dutch (Belgium)"},
    {0x0415, "pl", "PL", "Polish"},
    {0x0422, "uk", "UA", "Ukrainian"},
    {0x0423, "be", "BY", "Belarusian"},
    {0x0405, "cs", "CZ", "Czech"},
    {0x041B, "sk", "SK", "Slovak"},
    {0x0424, "sl", "SI", "Slovenian"},
    {0x041A, "hr", "HR", "Croatian"},
    {0x0402, "bg", "BG", "Bulgarian"},
    {0x0418, "ro", "RO", "Romanian"},
    {0x040E, "hu", "HU", "Hungarian"},
    {0x040B, "fi", "FI", "Finnish"},
    {0x041D, "sv", "SE", "Swedish"},
    {0x0406, "da", "DK", "Danish"},
    {0x0414, "nb", "NO", "Norwegian (Bokmal)"},
    {0x0414, "no", "NO", "Norwegian (Bokmal)"},
    {0x0425, "et", "EE", "Estonian"},
    {0x0426, "lv", "LV", "Latvian"},
    {0x0427, "lt", "LT", "Lithuanian"},
    {0x0408, "el", "GR", "Greek"},
    {0x041F, "tr", "TR", "Turkish"},
    {0x040D, "he", "IL", "Hebrew"},
    {0x0401, "ar", "SA", "Arabic (Saudi Arabia)"},
    {0x0411, "ja", "JP", "Japanese"},
    {0x0412, "ko", "KR", "Korean"},
    {0x0804, "zh", "CN", "Chinese (PRC)"},
    {0x0404, "zh", "TW", "Chinese (Taiwan)"},
    {0x041E, "th", "TH", "Thai"},
    {0x042A, "vi", "VN", "Vietnamese"},
};

// The locale that names the language of messages: LC_ALL, LC_MESSAGES, LANG, the first set.
std::string MessagesLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

// "ll_CC.codeset@modifier" → the language's identifier; a locale without a language we know
// (C, POSIX, none) counts as US English.
std::uint16_t LanguageIdOfLocale(const std::string& locale) {
  const auto languageEnd = std::min(locale.find_first_of("_.@"), locale.size());
  const std::string language = LowerCase(locale.substr(0, languageEnd));
  std::string country;
  if (languageEnd < locale.size() && locale[languageEnd] == '_') {
    const auto countryEnd = std::min(locale.find_first_of(".@", languageEnd), locale.size());
    country = UpperCase(locale.substr(languageEnd + 1, countryEnd - languageEnd - 1));
  }
  const Language* languageDefault = nullptr;
  for (const auto& row : kLanguages) {
    if (language != row.language) continue;
    if (country == row.country) return row.id;
    if (languageDefault == nullptr) languageDefault = &row;
  }
  return languageDefault != nullptr ? languageDefault->id : kEnglishUnitedStates;
}

// errno says ENOENT whether the file or its folder is missing; Windows tells them apart.
void SetLastErrorOfPath(int errnoValue, const std::string& path) {
  if (errnoValue == ENOENT) {
    const auto end = path.find_last_not_of('/');
    const auto slash = end == std::string::npos ? std::string::npos : path.rfind('/', end);
    struct stat status {};
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (::stat(folder.c_str(), &status) != 0) {
      posix::SetLastError(kErrorPathNotFound);
      return;
    }
  }
  posix::SetLastErrorFromErrno(errnoValue);
}

class PosixSystem final : public System {
 public:
  std::string ModuleFileName() override {
    auto path = posix::ReadLink("/proc/self/exe");
    if (!path) posix::SetLastErrorFromErrno(errno);
    return path.value_or(std::string());
  }

  std::vector<std::string> CommandLine() override {
    std::vector<std::string> arguments;
    const std::string bytes = posix::ReadFileBytes("/proc/self/cmdline").value_or(std::string());
    std::size_t start = 0;
    while (start < bytes.size()) {
      auto end = bytes.find('\0', start);
      if (end == std::string::npos) end = bytes.size();
      arguments.push_back(bytes.substr(start, end - start));
      start = end + 1;
    }
    return arguments;
  }

  char PathDelimiter() override { return '/'; }

  std::string GetCurrentDir() override {
    std::string folder(256, '\0');
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
      if (errno != ERANGE) {
        posix::SetLastErrorFromErrno(errno);
        return {};
      }
      folder.resize(folder.size() * 2);
    }
    folder.resize(folder.find('\0'));
    return folder;
  }

  bool SetCurrentDir(const std::string& folder) override {
    if (::chdir(folder.c_str()) == 0) return true;
    SetLastErrorOfPath(errno, folder);
    return false;
  }

  bool DeleteFile(const std::string& path) override {
    if (::unlink(path.c_str()) == 0) return true;
    SetLastErrorOfPath(errno, path);
    return false;
  }

  bool FileExists(const std::string& path) override {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
  }

  std::uint32_t GetLastError() override { return posix::LastError(); }
  void SetLastError(std::uint32_t code) override { posix::SetLastError(code); }

  std::string SystemErrorText(std::uint32_t code) override {
    for (const auto& row : kErrorTexts) {
      if (row.code == code) return HasInsertPlaceholder(row.text) ? std::string() : row.text;
    }
    return {};
  }

  std::uint16_t GetSystemDefaultLangID() override { return LanguageIdOfLocale(MessagesLocale()); }

  std::string VerLanguageName(std::uint16_t languageId) override {
    constexpr std::size_t kBufferCharacters = 99;  // 100 with the NUL
    for (const auto& row : kLanguages) {
      if (row.id == languageId) return std::string(row.name).substr(0, kBufferCharacters);
    }
    return "Language Neutral";
  }

  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t flags) override {
    if (const auto presenter = CurrentMessageBoxPresenter()) return presenter(text, caption, flags);
    std::cerr << AnsiToUtf8(caption) << '\n' << AnsiToUtf8(text) << '\n' << std::flush;
    return kIdOk;
  }
};

}  // namespace

System& NativeSystem() {
  static PosixSystem system;
  return system;
}

}  // namespace platform
