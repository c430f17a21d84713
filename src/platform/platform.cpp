#include "platform/platform.h"

#include <atomic>
#include <mutex>

#include "platform/sockets.h"

namespace platform {

namespace {

std::atomic<System*> systemInUse{nullptr};
std::atomic<Processes*> processesInUse{nullptr};
std::atomic<Registry*> registryInUse{nullptr};
std::atomic<Sockets*> socketsInUse{nullptr};

std::mutex presenterMutex;
MessageBoxPresenter presenter;

}  // namespace

std::vector<std::string> KeyPathNames(const std::string& path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    auto end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) names.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

System& TheSystem() {
  System* chosen = systemInUse.load();
  return chosen != nullptr ? *chosen : NativeSystem();
}

Processes& TheProcesses() {
  Processes* chosen = processesInUse.load();
  return chosen != nullptr ? *chosen : NativeProcesses();
}

Registry& TheRegistry() {
  Registry* chosen = registryInUse.load();
  return chosen != nullptr ? *chosen : NativeRegistry();
}

Sockets& TheSockets() {
  Sockets* chosen = socketsInUse.load();
  return chosen != nullptr ? *chosen : NativeSockets();
}

void UseSystem(System* system) { systemInUse.store(system); }
void UseProcesses(Processes* processes) { processesInUse.store(processes); }
void UseRegistry(Registry* registry) { registryInUse.store(registry); }
void UseSockets(Sockets* sockets) { socketsInUse.store(sockets); }

void SetMessageBoxPresenter(MessageBoxPresenter newPresenter) {
  const std::lock_guard lock(presenterMutex);
  presenter = std::move(newPresenter);
}

MessageBoxPresenter CurrentMessageBoxPresenter() {
  const std::lock_guard lock(presenterMutex);
  return presenter;
}

}  // namespace platform
