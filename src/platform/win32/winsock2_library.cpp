#include "platform/win32/winsock2_library.h"

#include "platform/win32/error_text.h"

namespace platform::win32 {

namespace {

constexpr std::uint32_t kWsaNotInitialised = 10093;

}  // namespace

Winsock2Library::Winsock2Library(const std::string& fileName)
    : module_(LoadLibraryA(fileName.c_str())) {
  if (module_ == nullptr) {
    throw ESocketLibraryError(Format("Error on loading Winsock2 library (%s)", {fileName}) + ": " +
                              SystemMessageText(::GetLastError()));
  }
  // The destructor does not run for a constructor that throws.
  try {
    Bind(wsaStartup, "WSAStartup");
    Bind(wsaCleanup, "WSACleanup");
    Bind(wsaGetLastError, "WSAGetLastError");
    Bind(socket, "socket");
    Bind(bind, "bind");
    Bind(connect, "connect");
    Bind(ioctlsocket, "ioctlsocket");
    Bind(select, "select");
    Bind(recv, "recv");
    Bind(send, "send");
    Bind(shutdown, "shutdown");
    Bind(closesocket, "closesocket");
    Bind(setsockopt, "setsockopt");
    Bind(getsockopt, "getsockopt");
    Bind(getsockname, "getsockname");
    Bind(getpeername, "getpeername");
    Bind(gethostbyname, "gethostbyname");
    Bind(inet_addr, "inet_addr");
  } catch (...) {
    FreeLibrary(module_);
    throw;
  }
}

Winsock2Library::~Winsock2Library() { FreeLibrary(module_); }

template <typename Function>
void Winsock2Library::Bind(Function& function, const char* name) {
  const FARPROC address = GetProcAddress(module_, name);
  if (address == nullptr) {
    throw ESocketLibraryError(Format("Error on call Winsock2 library function %s", {name}) +
                              ": " + SystemMessageText(kWsaNotInitialised));
  }
  // Through the generic function type, which converts to every other without a warning.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

Winsock2Library& Winsock2() {
  static Winsock2Library library(kWinsock2File);
  return library;
}

}  // namespace platform::win32
