#pragma once
// A scripted HTTP peer on 127.0.0.1 for tests. Each accepted connection plays the next script:
// receive a request head, send raw bytes, pause, close, reset, or stall until released. Every
// byte a client sends is recorded per connection. The server runs in a thread of its own; every
// wait is bounded, and the destructor stops and joins everything. The same server serves as
// the proxy endpoint of a test: it records what the client sends to its proxy.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace support {

class Script {
 public:
  // Waits (bounded) until a whole request head, up to its empty line, has arrived.
  Script& ExpectHead();
  Script& Send(std::string bytes);
  // Sends `count` copies of `byte` without holding them all in memory.
  Script& SendFill(char byte, std::int64_t count);
  Script& Pause(int milliseconds);
  // Closes with FIN.
  Script& Close();
  // Closes with RST (SO_LINGER 0).
  Script& Reset();
  // Waits until the test calls Release (or the server stops).
  Script& Stall();

  // The common answer: one head, then `response`, then the connection stays until the peer
  // closes it.
  static Script Answer(std::string response);

 private:
  friend class LoopbackServer;
  enum class Kind { kExpectHead, kSend, kFill, kPause, kClose, kReset, kStall };
  struct Step {
    Kind kind;
    std::string bytes;
    int milliseconds = 0;
    std::int64_t count = 0;
  };
  std::vector<Step> steps_;
};

class LoopbackServer {
 public:
  // Connections beyond the scripts get an empty script: they are read until the peer closes.
  explicit LoopbackServer(std::vector<Script> scripts);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path`.
  std::string Url(const std::string& path) const;

  // The bytes received so far on connection `index` (0-based, in order of acceptance).
  std::string Received(std::size_t index) const;
  std::size_t Connections() const;
  // Waits (at most `timeoutMs`) until `count` connections have finished their scripts and
  // been closed by either side.
  bool WaitForFinished(std::size_t count, int timeoutMs) const;

  // Ends every Stall step.
  void Release();

  // How long a single step may wait before the server gives up on it.
  static constexpr int kStepLimitMs = 10000;

 private:
  struct Connection;
  void AcceptLoop();
  void Serve(Connection& connection, const Script& script);
  bool ReadHead(Connection& connection);
  bool ReadSome(Connection& connection, int timeoutMs);
  void Drain(Connection& connection);
  bool SleepUnlessStopped(int milliseconds);
  bool SendAll(Connection& connection, std::string_view bytes);

  std::vector<Script> scripts_;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  bool released_ = false;
  std::vector<std::unique_ptr<Connection>> connections_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// A listening port whose accept queue is full: a connect to it neither completes nor fails
// until the system gives up, so a test can wait inside a connect.
class StalledListener {
 public:
  StalledListener();
  ~StalledListener();
  StalledListener(const StalledListener&) = delete;
  StalledListener& operator=(const StalledListener&) = delete;

  std::uint16_t Port() const { return port_; }

 private:
  int listener_ = -1;
  std::vector<int> fillers_;
  std::uint16_t port_ = 0;
};

// A loopback port on which nothing listens.
std::uint16_t UnusedPort();

// The number of open descriptors of this process.
int OpenDescriptorCount();

}  // namespace support
