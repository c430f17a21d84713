#include "proxy/proxy.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "http/IdHTTP.h"
#include "platform/platform.h"
#include "rtl/classes.h"
#include "rtl/sysutils.h"
#include "ui/Dialogs.h"

namespace {

constexpr int kDefaultProxyPort = 80;

// Removes from `host` everything up to and including its first ":".
void DropTypeWord(std::string& host) {
  const std::size_t colon = Pos(":", host);
  if (colon != 0) {
    host = CopyFrom(host, static_cast<std::int64_t>(colon) + 1);
  }
}

// The type word is looked for in the first five characters of the whole text, whatever was
// meant there; without one the type is HTTP and the host keeps its text. False when the text
// names SOCKS without a version the proxy knows.
bool ReadTypeWord(std::string_view text, ProxyData& record) {
  const std::string typeWord = UpperCase(Copy(text, 1, 5));
  if (typeWord == "HTTP:") {
    record.Type = "HTTP";
  } else if (typeWord == "HTTPS") {
    record.Type = "HTTPS";
    record.Port = "443";
  } else if (typeWord == "SOCKS") {
    const std::string version = Copy(text, 6, 1);
    if (version != "4" && version != "5") {
      return false;
    }
    record.Type = "SOCKS" + version;
  } else {
    record.Type = "HTTP";
    return true;
  }
  DropTypeWord(record.Host);
  return true;
}

// A user name ends at its first ":"; the rest is the password.
void SplitCredentials(ProxyData& record) {
  const std::size_t colon = Pos(":", record.User);
  if (colon != 0) {
    record.Passw = CopyFrom(record.User, static_cast<std::int64_t>(colon) + 1);
    record.User = Copy(record.User, 1, static_cast<std::int64_t>(colon) - 1);
  }
}

// "[address]:port", the brackets kept with the host. False when the bracket is not closed or
// no ":" and at least one more character follow it.
bool SplitBracketedHost(ProxyData& record) {
  const std::int64_t length = static_cast<std::int64_t>(record.Host.size());
  const std::int64_t bracket = static_cast<std::int64_t>(Pos("]", record.Host));
  if (bracket == 0 || bracket > length - 2 || CharAt(record.Host, bracket + 1) != ':') {
    return false;
  }
  record.Port = CopyFrom(record.Host, bracket + 2);
  record.Host = Copy(record.Host, 1, bracket);
  return true;
}

// "host:port" at the first ":"; without one the type's default port stands.
void SplitPlainHost(ProxyData& record) {
  const std::size_t colon = Pos(":", record.Host);
  if (colon != 0) {
    record.Port = CopyFrom(record.Host, static_cast<std::int64_t>(colon) + 1);
    record.Host = Copy(record.Host, 1, static_cast<std::int64_t>(colon) - 1);
  }
}

}  // namespace

ProxyData::ProxyData(std::string_view text) { Parse(text); }

void ProxyData::SetType(std::string_view type) { Type = AnsiUpperCase(type); }

std::string ProxyData::ToString() const {
  if (Host.empty()) {
    return {};
  }
  std::string text = Host + ":" + Port;
  if (!User.empty()) {
    text += "@" + User + ":" + Passw;
  }
  return text;
}

void ProxyData::Parse(std::string_view text) {
  if (text.empty()) {
    return;  // IsValid stays false
  }
  const std::size_t at = Pos("@", text);
  if (at != 0) {
    Host = Copy(text, 1, static_cast<std::int64_t>(at) - 1);
    User = CopyFrom(text, static_cast<std::int64_t>(at) + 1);
  } else {
    Host = std::string(text);
  }
  Port = "80";
  IsValid = ReadTypeWord(text, *this);
  if (!IsValid) {
    return;
  }
  SplitCredentials(*this);
  // Reading the first character of an empty host raises the out-of-range error the callers
  // expect for an empty host part.
  if (CharAt(Host, 1) == '[') {
    IsValid = SplitBracketedHost(*this);
  } else {
    SplitPlainHost(*this);
  }
}

// ---- Scrambling ----------------------------------------------------------------------------
//
// A byte equal to its key byte is left as it is, so the XOR never yields NUL, and the shift by
// 40 keeps 7-bit text inside 0x29..0xA7: such credentials never scramble into CR, LF or NUL and
// the line file carries them safely, as it does the letters of the Russian alphabet. Some other
// bytes between 0x80 and 0xBC (punctuation, symbols, a few Cyrillic letters of other languages
// such as "Є") do scramble into CR, LF or NUL; the file format has no escape for them, and a
// reader cannot tell such a line from a real line end, so nothing can be mended on reading.

namespace {

constexpr std::string_view kScrambleKey = "AryyhnHqnbtdtuxn";
constexpr unsigned kScrambleShift = 40;

unsigned char KeyByte(std::size_t index) {
  return static_cast<unsigned char>(kScrambleKey[index % kScrambleKey.size()]);
}

}  // namespace

std::string ScrambleText(std::string_view text) {
  std::string scrambled(text);
  for (std::size_t i = 0; i < scrambled.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(scrambled[i]);
    const unsigned char k = KeyByte(i);
    const unsigned mixed = c == k ? c : static_cast<unsigned>(c ^ k);
    scrambled[i] = static_cast<char>((mixed + kScrambleShift) & 0xFFu);
  }
  return scrambled;
}

std::string UnscrambleText(std::string_view text) {
  std::string plain(text);
  for (std::size_t i = 0; i < plain.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(plain[i]);
    const unsigned char k = KeyByte(i);
    const unsigned char mixed = static_cast<unsigned char>((c + 256u - kScrambleShift) & 0xFFu);
    plain[i] = static_cast<char>(mixed == k ? mixed : mixed ^ k);
  }
  return plain;
}

// ---- proxy.def -----------------------------------------------------------------------------

std::string ExtractFilePath(std::string_view path, char delimiter) {
  const auto isSeparator = [delimiter](char c) {
    return c == delimiter || (delimiter == '\\' && c == ':');
  };
  const auto last = std::find_if(path.rbegin(), path.rend(), isSeparator);
  return std::string(path.begin(), last.base());
}

std::string ProxyFileIn(std::string_view folder) {
  const char delimiter = platform::TheSystem().PathDelimiter();
  return std::string(folder) + ".." + delimiter + "proxy.def";
}

std::string LoadProxyFileName() {
  platform::System& system = platform::TheSystem();
  return ProxyFileIn(ExtractFilePath(system.ModuleFileName(), system.PathDelimiter()));
}

std::string DialogProxyFileName() {
  platform::System& system = platform::TheSystem();
  const std::vector<std::string> arguments = system.CommandLine();
  if (arguments.size() < 2) {
    return LoadProxyFileName();
  }
  return ProxyFileIn(ExtractFilePath(arguments[1], system.PathDelimiter()));
}

namespace {

// The part after a leading "$", unscrambled; empty when the line has no "$" in front.
std::string StoredCredential(const std::string& line) {
  if (line.empty() || line.front() != '$') {
    return {};
  }
  return UnscrambleText(CopyFrom(line, 2));
}

}  // namespace

void LoadProxyFile(ProxyData& record) {
  const std::string path = LoadProxyFileName();
  TStringList lines;
  if (platform::TheSystem().FileExists(path)) {
    lines.LoadFromFile(path);
  }
  if (lines.Count() > 0 && lines[0] == "0") {
    return;
  }
  if (lines.Count() < 6) {
    return;
  }

  record.Host = lines[2];
  record.Port = lines[3];
  record.SetType(lines.Count() > 6 ? lines[6] : "HTTP");
  if (lines[1] == "1") {
    record.User = StoredCredential(lines[4]);
    record.Passw = StoredCredential(lines[5]);
  }

  // The grammar validates the type word, fills the default port, splits bracketed hosts and
  // drops a password that has no user name.
  record = ProxyData(record.Type + ":" + record.ToString());
}

namespace {

// A port is decimal digits only; anything else leaves the default.
int ProxyPortOf(const std::string& port) {
  const bool digitsOnly = !port.empty() && std::all_of(port.begin(), port.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
  if (!digitsOnly) {
    return kDefaultProxyPort;
  }
  return TryStrToInt(port).value_or(kDefaultProxyPort);
}

}  // namespace

void ApplyProxy(TIdHTTP* client, const ProxyData& record) {
  if (client == nullptr) {
    return;
  }
  TIdProxyConnectionInfo& params = client->ProxyParams();
  params.SetBasicAuthentication(true);
  params.SetProxyServer(record.Host);
  params.SetProxyPort(ProxyPortOf(record.Port));
  params.SetProxyUsername(record.User);
  params.SetProxyPassword(record.Passw);
}

void LoadProxy(TIdHTTP* client) {
  int step = 0;
  const auto report = [&step](const std::string& message) {
    ShowMessage("Exception: " + message + " in LoadProxy (" + IntToStr(step) + ")");
  };
  try {
    step = 455;
    ProxyData record;
    step = 458;
    LoadProxyFile(record);
    step = 460;
    ApplyProxy(client, record);
  } catch (const Exception& e) {
    report(e.Message());
  } catch (const std::exception& e) {
    report(e.what());
  }
}
