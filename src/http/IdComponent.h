#pragma once
// The base of the HTTP client's classes: the status event and the bracketed work events that
// count the bytes of a body, and the process-wide socket library object that lives from the
// first component to the last.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TIdStack;

enum class TIdStatus {
  stResolving,
  stConnecting,
  stConnected,
  stDisconnecting,
  stDisconnected,
  stStatusText,
  stReserved6,
  stReserved7,
  stReserved8,
};

enum class TWorkMode { wkRead = 0, wkWrite = 1 };

class TIdComponent;

using TIdStatusEvent =
    std::function<void(TIdComponent& ASender, TIdStatus AStatus, const std::string& AStatusText)>;
using TWorkBeginEvent =
    std::function<void(TIdComponent& Sender, TWorkMode AWorkMode, std::int64_t AWorkCountMax)>;
using TWorkEvent =
    std::function<void(TIdComponent& Sender, TWorkMode AWorkMode, std::int64_t AWorkCount)>;
using TWorkEndEvent = std::function<void(TIdComponent& Sender, TWorkMode AWorkMode)>;

// The bookkeeping of one work mode.
struct TIdWorkInfo {
  std::int64_t position = 0;  // bytes counted since the last begin
  std::int64_t maximum = 0;   // the size announced at the begin
  int level = 0;              // nesting of begin/end brackets
};

// The status value's format text.
std::string StatusText(TIdStatus status, std::string_view argument);

class TIdComponent {
 public:
  TIdComponent();
  virtual ~TIdComponent();
  TIdComponent(const TIdComponent&) = delete;
  TIdComponent& operator=(const TIdComponent&) = delete;

  TIdStatusEvent OnStatus;
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

  const TIdWorkInfo& WorkInfo(TWorkMode mode) const { return work_[Index(mode)]; }

  void DoStatus(TIdStatus status, std::string_view argument = {});
  void BeginWork(TWorkMode mode, std::int64_t size);
  void DoWork(TWorkMode mode, std::int64_t count);
  void EndWork(TWorkMode mode);

 private:
  static std::size_t Index(TWorkMode mode) { return static_cast<std::size_t>(mode); }

  std::array<TIdWorkInfo, 2> work_{};
};

// The socket library object; it exists while any TIdComponent lives.
TIdStack& GStack();

// Pairs a begin work with its end on every way out of a block.
class TIdWorkBracket {
 public:
  TIdWorkBracket(TIdComponent& component, TWorkMode mode, std::int64_t size);
  ~TIdWorkBracket() noexcept(false);
  TIdWorkBracket(const TIdWorkBracket&) = delete;
  TIdWorkBracket& operator=(const TIdWorkBracket&) = delete;

 private:
  TIdComponent& component_;
  TWorkMode mode_;
  int unwinding_;
};
