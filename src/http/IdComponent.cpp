#include "http/IdComponent.h"

#include <exception>
#include <memory>
#include <mutex>

#include "http/IdException.h"
#include "http/IdStack.h"
#include "rtl/sysutils.h"

namespace {

std::mutex stackMutex;
int liveComponents = 0;
std::unique_ptr<TIdStack> stack;

}  // namespace

std::string StatusText(TIdStatus status, std::string_view argument) {
  switch (status) {
    case TIdStatus::stResolving: return Format("Resolving hostname %s.", {argument});
    case TIdStatus::stConnecting: return Format("Connecting to %s.", {argument});
    case TIdStatus::stConnected: return "Connected.";
    case TIdStatus::stDisconnecting: return "Disconnecting.";
    case TIdStatus::stDisconnected: return "Disconnected.";
    default: return std::string(argument);
  }
}

TIdComponent::TIdComponent() {
  const std::lock_guard lock(stackMutex);
  if (liveComponents == 0) stack = std::make_unique<TIdStack>();
  ++liveComponents;
}

TIdComponent::~TIdComponent() {
  const std::lock_guard lock(stackMutex);
  if (--liveComponents == 0) stack.reset();
}

TIdStack& GStack() {
  const std::lock_guard lock(stackMutex);
  if (!stack) throw EIdStackInitializationFailed("Winsock Initialization Error.");
  return *stack;
}

void TIdComponent::DoStatus(TIdStatus status, std::string_view argument) {
  if (OnStatus) OnStatus(*this, status, StatusText(status, argument));
}

void TIdComponent::BeginWork(TWorkMode mode, std::int64_t size) {
  auto& info = work_[Index(mode)];
  if (++info.level != 1) return;
  info.maximum = size;
  info.position = 0;
  if (OnWorkBegin) OnWorkBegin(*this, mode, size);
}

void TIdComponent::DoWork(TWorkMode mode, std::int64_t count) {
  auto& info = work_[Index(mode)];
  if (info.level <= 0) return;
  info.position += count;
  if (OnWork) OnWork(*this, mode, info.position);
}

void TIdComponent::EndWork(TWorkMode mode) {
  auto& info = work_[Index(mode)];
  if (info.level <= 0) return;
  // The level drops first, so a handler that fails still leaves the bracket closed.
  --info.level;
  if (info.level == 0 && OnWorkEnd) OnWorkEnd(*this, mode);
}

TIdWorkBracket::TIdWorkBracket(TIdComponent& component, TWorkMode mode, std::int64_t size)
    : component_(component), mode_(mode), unwinding_(std::uncaught_exceptions()) {
  component_.BeginWork(mode, size);
}

TIdWorkBracket::~TIdWorkBracket() noexcept(false) {
  if (std::uncaught_exceptions() == unwinding_) {
    component_.EndWork(mode_);
    return;
  }
  try {
    component_.EndWork(mode_);
  } catch (...) {
    // The failure already on its way out is the one the caller hears of.
  }
}
