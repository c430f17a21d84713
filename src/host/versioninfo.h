#pragma once
// The working folder, which holds newupd.dat, lastupd.dat and the downloaded installer, and the
// date of the build installed now.

#include <string>
#include <string_view>

// The working folder for an executable at `executablePath`, ending with `delimiter`: normally
// the parent of the executable's folder; the executable's folder itself when a folder of its
// path is named like "update-qvr" (any case) or when it lies directly below the root.
std::string WorkFolderOf(std::string_view executablePath, char delimiter);

// WorkFolderOf for the running executable.
std::string GetWorkFolder();

// The date text of lastupd.dat in the working folder: what follows the first "#" of its first
// line (at most 100 characters), else the whole first line; "WRONG DATE" when the file holds
// no line. A file that cannot be read is reported in a message box and gives the empty text.
std::string GetCurrentBuildDate();
