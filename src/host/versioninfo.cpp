#include "host/versioninfo.h"

#include <cstdint>
#include <exception>

#include "platform/platform.h"
#include "rtl/classes.h"
#include "rtl/sysutils.h"
#include "ui/Dialogs.h"

namespace {

constexpr std::string_view kUpdaterFolderMarker = "update-qvr";
constexpr std::int64_t kBuildDateLength = 100;

// Up to and including the last separator; on Windows a drive's ":" separates too.
std::string FolderPart(std::string_view path, char delimiter) {
  for (std::size_t i = path.size(); i > 0; --i) {
    const char c = path[i - 1];
    if (c == delimiter || (delimiter == '\\' && c == ':')) {
      return std::string(path.substr(0, i));
    }
  }
  return {};
}

// The first position the parent search may stop at: a separator right after the root ("C:\"
// on Windows, "/" on POSIX) or one further on is never taken, so a folder directly below the
// root stays the working folder.
std::int64_t FirstParentSeparator(char delimiter) { return delimiter == '\\' ? 5 : 3; }

std::string BuildDateOf(const std::string& firstLine) {
  const std::size_t hash = Pos("#", firstLine);
  if (hash == 0) {
    return firstLine;
  }
  return Copy(firstLine, static_cast<std::int64_t>(hash) + 1, kBuildDateLength);
}

}  // namespace

std::string WorkFolderOf(std::string_view executablePath, char delimiter) {
  const std::string folder = FolderPart(executablePath, delimiter);
  if (Pos(kUpdaterFolderMarker, AnsiLowerCase(folder)) != 0) {
    return folder;
  }
  const std::int64_t length = static_cast<std::int64_t>(folder.size());
  for (std::int64_t n = length - 1; n >= FirstParentSeparator(delimiter); --n) {
    if (CharAt(folder, n) == delimiter) {
      return Copy(folder, 1, n);
    }
  }
  return folder;
}

std::string GetWorkFolder() {
  platform::System& system = platform::TheSystem();
  return WorkFolderOf(system.ModuleFileName(), system.PathDelimiter());
}

std::string GetCurrentBuildDate() {
  const std::string path = GetWorkFolder() + "lastupd.dat";
  const auto report = [&path](std::string_view message) {
    ShowMessage(Format(
        "Detect current date of build failed!\r\nException message: %s\r\nCommon App Data "
        "Folder: %s",
        {message, path}));
  };
  try {
    TStringList lines;
    lines.LoadFromFile(path);
    if (lines.Count() == 0) {
      return "WRONG DATE";
    }
    return BuildDateOf(lines[0]);
  } catch (const Exception& e) {
    report(e.Message());
  } catch (const std::exception& e) {
    report(e.what());
  }
  return {};
}
