#include "platform/posix/last_error.h"

#include <cerrno>

namespace platform::posix {

namespace {
thread_local std::uint32_t lastError = 0;

// ERROR_GEN_FAILURE: what a failure without a closer Windows meaning reports.
constexpr std::uint32_t kGeneralFailure = 31;
}  // namespace

std::uint32_t LastError() { return lastError; }

void SetLastError(std::uint32_t code) { lastError = code; }

std::uint32_t WindowsErrorOf(int errnoValue) {
  switch (errnoValue) {
    case 0: return 0;
    case ENOENT: return 2;
    case ENOTDIR: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EISDIR: return 5;
    case EBADF: return 6;
    case ENOMEM: return 8;
    case EXDEV: return 17;
    case EROFS: return 19;
    case ETXTBSY: return 32;
    case EAGAIN: return 33;
    case ENOSYS:
    case EOPNOTSUPP: return 50;
    case EEXIST: return 80;
    case EINVAL:
    case ESRCH:
    case E2BIG: return 87;
    case EPIPE: return 109;
    case ENOSPC:
    case EDQUOT: return 112;
    case ECHILD: return 128;
    case ENOTEMPTY: return 145;
    case EBUSY: return 170;
    case ENOEXEC: return 193;
    case ENAMETOOLONG: return 206;
    case EFBIG: return 223;
    case EINTR: return 1223;
    case EIO: return 1117;
    case ETIMEDOUT: return 1460;
    case ELOOP: return 1921;
    default: return kGeneralFailure;
  }
}

void SetLastErrorFromErrno(int errnoValue) { SetLastError(WindowsErrorOf(errnoValue)); }

}  // namespace platform::posix
