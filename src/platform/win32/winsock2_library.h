#pragma once
// Windows Sockets 2, loaded at run time from its DLL, so that a system without it gets a clear
// message instead of a program that does not start.

#include <winsock2.h>

#include <string>

#include "platform/win32/windows_api.h"
#include "rtl/sysutils.h"

namespace platform {

// The socket library file cannot be loaded, or lacks a function that the layer calls.
DECLARE_EXCEPTION(ESocketLibraryError, Exception);

namespace win32 {

inline constexpr char kWinsock2File[] = "WS2_32.DLL";

// Owns the loaded library; every function is bound when it loads.
class Winsock2Library {
 public:
  // ESocketLibraryError "Error on loading Winsock2 library (<file>): " + the system's text for
  // the load error, or "Error on call Winsock2 library function <name>: " + the system's text
  // for error 10093 (the library was not initialised) when a function is missing.
  explicit Winsock2Library(const std::string& fileName);
  ~Winsock2Library();
  Winsock2Library(const Winsock2Library&) = delete;
  Winsock2Library& operator=(const Winsock2Library&) = delete;

  decltype(&::WSAStartup) wsaStartup = nullptr;
  decltype(&::WSACleanup) wsaCleanup = nullptr;
  decltype(&::WSAGetLastError) wsaGetLastError = nullptr;
  decltype(&::socket) socket = nullptr;
  decltype(&::bind) bind = nullptr;
  decltype(&::connect) connect = nullptr;
  decltype(&::ioctlsocket) ioctlsocket = nullptr;
  decltype(&::select) select = nullptr;
  decltype(&::recv) recv = nullptr;
  decltype(&::send) send = nullptr;
  decltype(&::shutdown) shutdown = nullptr;
  decltype(&::closesocket) closesocket = nullptr;
  decltype(&::setsockopt) setsockopt = nullptr;
  decltype(&::getsockopt) getsockopt = nullptr;
  decltype(&::getsockname) getsockname = nullptr;
  decltype(&::getpeername) getpeername = nullptr;
  decltype(&::gethostbyname) gethostbyname = nullptr;
  decltype(&::inet_addr) inet_addr = nullptr;

 private:
  template <typename Function>
  void Bind(Function& function, const char* name);

  HMODULE module_;
};

// The process's library, loaded at the first call; a failed load is tried again next time.
Winsock2Library& Winsock2();

}  // namespace win32
}  // namespace platform
