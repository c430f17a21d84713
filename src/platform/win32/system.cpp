// The System interface on Windows: the kernel's own calls, the system's message table and its
// message box.

#include <algorithm>

#include "platform/platform.h"
#include "platform/commandline.h"
#include "platform/win32/error_text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_api.h"

namespace platform {

namespace {

// MAX_PATH and its NUL: the size that holds every path of the classic limit.
constexpr DWORD kModulePathCharacters = 261;
constexpr DWORD kLanguageNameCharacters = 100;

class Win32System final : public System {
 public:
  std::string ModuleFileName() override {
    std::string path(kModulePathCharacters, '\0');
    for (;;) {
      const DWORD size = static_cast<DWORD>(path.size());
      const DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
      if (length == 0) return {};
      // A path that fills the buffer was cut: a longer one must not pass for the real one.
      if (length < size) {
        path.resize(length);
        return path;
      }
      path.resize(path.size() * 2);
    }
  }

  std::vector<std::string> CommandLine() override { return CommandLineToArgs(GetCommandLineA()); }

  char PathDelimiter() override { return '\\'; }

  std::string GetCurrentDir() override {
    DWORD size = GetCurrentDirectoryA(0, nullptr);
    // The folder can change between two calls; ask again until it fits.
    while (size != 0) {
      std::string folder(size, '\0');
      const DWORD length = GetCurrentDirectoryA(size, folder.data());
      if (length < size) {
        folder.resize(length);
        return folder;
      }
      size = length;
    }
    return {};
  }

  bool SetCurrentDir(const std::string& folder) override {
    return SetCurrentDirectoryA(folder.c_str()) != FALSE;
  }

  bool DeleteFile(const std::string& path) override { return DeleteFileA(path.c_str()) != FALSE; }

  bool FileExists(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  std::uint32_t GetLastError() override { return ::GetLastError(); }
  void SetLastError(std::uint32_t code) override { ::SetLastError(code); }

  std::string SystemErrorText(std::uint32_t code) override {
    return win32::SystemMessageText(code);
  }

  std::uint16_t GetSystemDefaultLangID() override { return ::GetSystemDefaultLangID(); }

  std::string VerLanguageName(std::uint16_t languageId) override {
    std::string name(kLanguageNameCharacters, '\0');
    const DWORD length = VerLanguageNameA(languageId, name.data(), kLanguageNameCharacters);
    name.resize(std::min<std::size_t>(length, kLanguageNameCharacters - 1));
    return name;
  }

  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t flags) override {
    // The toolkit's active backend, when there is one, owns every box (in tests it answers).
    if (const auto presenter = CurrentMessageBoxPresenter()) return presenter(text, caption, flags);
    return MessageBoxW(nullptr, win32::WideFromAnsi(text).c_str(),
                       win32::WideFromAnsi(caption).c_str(), flags);
  }
};

}  // namespace

System& NativeSystem() {
  static Win32System system;
  return system;
}

}  // namespace platform
