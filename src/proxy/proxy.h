#pragma once
// The proxy setting: its record and one-line text form, the shared file proxy.def with its
// scrambled credentials, and LoadProxy, which hands the setting to an HTTP client.

#include <string>
#include <string_view>

class TIdHTTP;

// One proxy setting. The text form is
//   [type ":"] host [":" port] ["@" user [":" password]]
// with type HTTP, HTTPS, SOCKS4 or SOCKS5 (any case) and a host that may be bracketed
// ("[::1]"). Everybody who holds the pieces joins them into this form and reads it back here,
// so the default port, the type words and the credential split are decided in one place.
struct ProxyData {
  std::string Host;
  std::string Port;  // as written; "80" or "443" when the text names none
  std::string Passw;
  std::string User;
  std::string Type;  // upper case
  bool IsValid = false;  // false when the text was empty or broke a type or bracket rule

  ProxyData() = default;
  // Raises ERangeError when the text has an empty host part (for instance "@user" or
  // "http:@user").
  explicit ProxyData(std::string_view text);

  // Upper-cases with the ANSI code page's rules.
  void SetType(std::string_view type);
  // host ":" port, then "@" user ":" password when there is a user; empty without a host.
  // The type is left out.
  std::string ToString() const;

 private:
  void Parse(std::string_view text);
};

// proxy.def keeps the user name and password scrambled with a fixed key; the scrambled text has
// the length of the plain one. UnscrambleText(ScrambleText(t)) == t for texts without NUL.
std::string ScrambleText(std::string_view text);
std::string UnscrambleText(std::string_view text);

// The folder part of a path, up to and including its last separator (also ':' where the
// separator is '\\'); empty when the path has none.
std::string ExtractFilePath(std::string_view path, char delimiter);

// proxy.def in the parent of `folder`, which ends with its separator (or is empty: relative to
// the current directory).
std::string ProxyFileIn(std::string_view folder);
// The file LoadProxy reads: above the executable's folder.
std::string LoadProxyFileName();
// The file the proxy dialog edits: above the folder of the first command-line argument when the
// program was given one, else the same file as LoadProxy's.
std::string DialogProxyFileName();

// Fills an empty record from proxy.def. A missing file, one of fewer than six lines, or a
// switched-off proxy leave it empty. The record is finally read through the text form, so an
// enabled proxy with an empty host raises ERangeError; a file that cannot be opened raises
// EFOpenError.
void LoadProxyFile(ProxyData& record);

// Copies the record into the client's ProxyParams; Type and IsValid are not passed on. Does
// nothing without a client.
void ApplyProxy(TIdHTTP* client, const ProxyData& record);

// Reads proxy.def afresh and applies it to the client. Failures are reported in a message box
// and go no further.
void LoadProxy(TIdHTTP* client);
