#include "platform/win32/error_text.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {

namespace {

constexpr DWORD kAllocateFromSystem = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
constexpr DWORD kNeutralDefaultLanguage = 0x0400;

// Frees the buffer that FormatMessageA allocated, on every way out.
class LocalBuffer {
 public:
  LocalBuffer() = default;
  ~LocalBuffer() {
    if (text_ != nullptr) LocalFree(text_);
  }
  LocalBuffer(const LocalBuffer&) = delete;
  LocalBuffer& operator=(const LocalBuffer&) = delete;

  char* Text() const { return text_; }
  // Where FormatMessageA stores the address of its buffer.
  LPSTR Receiver() { return reinterpret_cast<LPSTR>(&text_); }

 private:
  char* text_ = nullptr;
};

}  // namespace

std::string SystemMessageText(std::uint32_t code) {
  static_assert(kAllocateFromSystem == 0x1100);
  LocalBuffer buffer;
  const DWORD length = FormatMessageA(kAllocateFromSystem, nullptr, code, kNeutralDefaultLanguage,
                                      buffer.Receiver(), 0, nullptr);
  if (length == 0 || buffer.Text() == nullptr) return {};
  return std::string(buffer.Text(), length);
}

}  // namespace platform::win32
