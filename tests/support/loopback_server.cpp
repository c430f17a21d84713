#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace support {
namespace {

constexpr int kSliceMs = 20;

using Clock = std::chrono::steady_clock;

sockaddr* Generic(sockaddr_in& address) {
  void* raw = &address;
  return static_cast<sockaddr*>(raw);
}

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A listening socket on an ephemeral loopback port.
int Listen(int backlog, std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  auto address = Loopback(0);
  socklen_t length = sizeof address;
  if (::bind(fd, Generic(address), sizeof address) != 0 || ::listen(fd, backlog) != 0 ||
      ::getsockname(fd, Generic(address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("listen failed");
  }
  port = ntohs(address.sin_port);
  return fd;
}

bool Readable(int fd, int timeoutMs) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, timeoutMs) > 0;
}

}  // namespace

// ---- Script ---------------------------------------------------------------------------------

Script& Script::ExpectHead() {
  steps_.push_back({Kind::kExpectHead, {}, 0});
  return *this;
}

Script& Script::Send(std::string bytes) {
  steps_.push_back({Kind::kSend, std::move(bytes), 0});
  return *this;
}

Script& Script::SendFill(char byte, std::int64_t count) {
  steps_.push_back({Kind::kFill, std::string(1, byte), 0, count});
  return *this;
}

Script& Script::Pause(int milliseconds) {
  steps_.push_back({Kind::kPause, {}, milliseconds});
  return *this;
}

Script& Script::Close() {
  steps_.push_back({Kind::kClose, {}, 0});
  return *this;
}

Script& Script::Reset() {
  steps_.push_back({Kind::kReset, {}, 0});
  return *this;
}

Script& Script::Stall() {
  steps_.push_back({Kind::kStall, {}, 0});
  return *this;
}

Script Script::Answer(std::string response) {
  Script script;
  script.ExpectHead().Send(std::move(response));
  return script;
}

// ---- LoopbackServer -------------------------------------------------------------------------

struct LoopbackServer::Connection {
  int fd = -1;
  std::string received;
  std::size_t headSearchFrom = 0;
  bool finished = false;
};

LoopbackServer::LoopbackServer(std::vector<Script> scripts)
    : scripts_(std::move(scripts)) {
  listener_ = Listen(16, port_);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  acceptor_.join();
  for (auto& worker : workers_) worker.join();
  for (auto& connection : connections_) {
    if (connection->fd >= 0) ::close(connection->fd);
  }
  ::close(listener_);
}

std::string LoopbackServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string LoopbackServer::Received(std::size_t index) const {
  const std::lock_guard lock(mutex_);
  return index < connections_.size() ? connections_[index]->received : std::string();
}

std::size_t LoopbackServer::Connections() const {
  const std::lock_guard lock(mutex_);
  return connections_.size();
}

bool LoopbackServer::WaitForFinished(std::size_t count, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    std::size_t finished = 0;
    for (const auto& connection : connections_) finished += connection->finished ? 1u : 0u;
    return finished >= count;
  });
}

void LoopbackServer::Release() {
  {
    const std::lock_guard lock(mutex_);
    released_ = true;
  }
  changed_.notify_all();
}

void LoopbackServer::AcceptLoop() {
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    if (!Readable(listener_, kSliceMs)) continue;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    const std::lock_guard lock(mutex_);
    const std::size_t index = connections_.size();
    connections_.push_back(std::make_unique<Connection>());
    connections_.back()->fd = fd;
    Connection& connection = *connections_.back();
    const Script script = index < scripts_.size() ? scripts_[index] : Script();
    workers_.emplace_back([this, &connection, script] { Serve(connection, script); });
  }
}

bool LoopbackServer::SleepUnlessStopped(int milliseconds) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                            [this] { return stopping_; });
}

bool LoopbackServer::ReadSome(Connection& connection, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < deadline) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return false;
    }
    if (!Readable(connection.fd, kSliceMs)) continue;
    char buffer[65536];
    const auto n = ::recv(connection.fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    const std::lock_guard lock(mutex_);
    connection.received.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
  return false;
}

bool LoopbackServer::ReadHead(Connection& connection) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kStepLimitMs);
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      const auto end = connection.received.find("\r\n\r\n", connection.headSearchFrom);
      if (end != std::string::npos) {
        connection.headSearchFrom = end + 4;
        return true;
      }
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !ReadSome(connection, static_cast<int>(left))) return false;
  }
}

void LoopbackServer::Drain(Connection& connection) {
  while (ReadSome(connection, kStepLimitMs)) {
  }
}

bool LoopbackServer::SendAll(Connection& connection, std::string_view bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return false;
    }
    pollfd entry{connection.fd, POLLOUT, 0};
    if (::poll(&entry, 1, kSliceMs) <= 0) continue;
    const auto n = ::send(connection.fd, bytes.data() + sent, bytes.size() - sent,
                          MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void LoopbackServer::Serve(Connection& connection, const Script& script) {
  bool open = true;
  for (const auto& step : script.steps_) {
    bool goOn = true;
    switch (step.kind) {
      case Script::Kind::kExpectHead:
        goOn = ReadHead(connection);
        break;
      case Script::Kind::kSend:
        goOn = SendAll(connection, step.bytes);
        break;
      case Script::Kind::kFill: {
        const std::string block(1 << 20, step.bytes[0]);
        for (std::int64_t left = step.count; goOn && left > 0;) {
          const auto piece = static_cast<std::size_t>(
              std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
          goOn = SendAll(connection, std::string_view(block).substr(0, piece));
          left -= static_cast<std::int64_t>(piece);
        }
        break;
      }
      case Script::Kind::kPause:
        goOn = SleepUnlessStopped(step.milliseconds);
        break;
      case Script::Kind::kClose:
        // What the client sent already is read first, so the close is a FIN and not a RST.
        while (Readable(connection.fd, 0) && ReadSome(connection, kSliceMs)) {
        }
        ::shutdown(connection.fd, SHUT_WR);
        open = false;
        break;
      case Script::Kind::kReset: {
        const linger hard{1, 0};
        ::setsockopt(connection.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        open = false;
        break;
      }
      case Script::Kind::kStall: {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(kStepLimitMs),
                          [this] { return released_ || stopping_; });
        goOn = !stopping_;
        break;
      }
    }
    if (!goOn || !open) break;
  }
  if (open) Drain(connection);
  const std::lock_guard lock(mutex_);
  ::close(connection.fd);
  connection.fd = -1;
  connection.finished = true;
  changed_.notify_all();
}

// ---- StalledListener ------------------------------------------------------------------------

StalledListener::StalledListener() {
  listener_ = Listen(0, port_);
  // Fill the accept queue; the kernel then drops every further handshake.
  for (int i = 0; i < 3; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    auto address = Loopback(port_);
    ::connect(fd, Generic(address), sizeof address);
    fillers_.push_back(fd);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

StalledListener::~StalledListener() {
  for (int fd : fillers_) ::close(fd);
  ::close(listener_);
}

// ---- Helpers --------------------------------------------------------------------------------

std::uint16_t UnusedPort() {
  std::uint16_t port = 0;
  ::close(Listen(1, port));
  return port;
}

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

}  // namespace support
