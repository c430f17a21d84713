#include "http/IdTCPConnection.h"

#include <algorithm>
#include <climits>
#include <exception>

#include "http/IdException.h"
#include "http/IdStack.h"

// ---- TIdBuffer ------------------------------------------------------------------------------

std::string TIdBuffer::Extract(std::size_t count) {
  if (count > Size()) throw EIdNotEnoughDataInBuffer("Not enough data in buffer.");
  std::string out(View().substr(0, count));
  Remove(count);
  return out;
}

void TIdBuffer::Remove(std::size_t count) {
  offset_ += std::min(count, Size());
  if (offset_ == data_.size()) {
    Clear();
  } else if (offset_ >= kCompactAt) {
    data_.erase(0, offset_);
    offset_ = 0;
  }
}

void TIdBuffer::Clear() {
  data_.clear();
  offset_ = 0;
}

std::string TIdBuffer::TakeAll() {
  std::string out(View());
  Clear();
  return out;
}

// ---- TIdTCPConnection -----------------------------------------------------------------------

namespace {

// Clears the connection's disconnecting flag on every way out of Disconnect.
class DisconnectingMark {
 public:
  explicit DisconnectingMark(bool& flag) : flag_(flag) {}
  ~DisconnectingMark() { flag_ = false; }
  DisconnectingMark(const DisconnectingMark&) = delete;
  DisconnectingMark& operator=(const DisconnectingMark&) = delete;

 private:
  bool& flag_;
};

}  // namespace

void TIdTCPConnection::Disconnect() {
  // A handler of the disconnect's own events may ask for it again (a Cancel pumped there).
  if (disconnecting_) return;
  disconnecting_ = true;
  const DisconnectingMark mark(disconnecting_);
  const bool wasConnected = Connected();
  if (wasConnected) {
    DoStatus(TIdStatus::stDisconnecting);
    if (ioHandler_) ioHandler_->Close();
  }
  if (freeIOHandlerOnDisconnect_ && ioHandler_) {
    // The handler is on the stack while it connects; it goes once the connect unwinds.
    if (connecting_) {
      freeAfterConnect_ = true;
    } else {
      ioHandler_.reset();
    }
  }
  if (wasConnected) {
    closedByDisconnect_ = true;
    if (OnDisconnected) OnDisconnected(*this);
    DoStatus(TIdStatus::stDisconnected);
  }
}

bool TIdTCPConnection::Connected() {
  CheckForDisconnect(false, false);
  return ioHandler_ && ioHandler_->Connected();
}

void TIdTCPConnection::CloseAfterPeer() {
  ioHandler_->Close();
  DoStatus(TIdStatus::stDisconnected);
  if (OnDisconnected) OnDisconnected(*this);
}

void TIdTCPConnection::CheckForDisconnect(bool raise, bool ignoreBuffer) {
  if (closedGracefully_ && ioHandler_ && ioHandler_->Connected()) CloseAfterPeer();
  if (ioHandler_ && !ioHandler_->Connected() && raise &&
      (inputBuffer_.Size() == 0 || ignoreBuffer)) {
    throw EIdConnClosedGracefully("Connection Closed Gracefully.");
  }
}

bool TIdTCPConnection::IdleDuringWait() {
  if (OnIdle) OnIdle(*this);
  return ioHandler_ && ioHandler_->Connected();
}

std::size_t TIdTCPConnection::BlockSize() const {
  return static_cast<std::size_t>(std::max(recvBufferSize_, 1));
}

int TIdTCPConnection::ReadFromStack(bool raiseWhenDisconnected, std::optional<int> timeoutMs,
                                    bool raiseOnTimeout) {
  const int timeout = timeoutMs.value_or(readTimeout_ == 0 ? -1 : readTimeout_);
  CheckForDisconnect(raiseWhenDisconnected, false);
  if (!Connected()) {
    if (raiseWhenDisconnected) throw EIdNotConnected("Not Connected");
    return 0;
  }
  int received = 0;
  do {
    const auto wait = WaitInSlices(
        timeout, [this](int slice) { return ioHandler_->Readable(slice); },
        [this] { return IdleDuringWait(); });
    if (wait == TIdWaitResult::wrAbandoned) {
      if (raiseWhenDisconnected) throw EIdNotConnected("Not Connected");
      return 0;
    }
    if (wait == TIdWaitResult::wrTimedOut) {
      if (raiseOnTimeout) throw EIdReadTimeout("Read Timeout");
      return -1;
    }
    recvScratch_.resize(BlockSize());
    received = ioHandler_->Recv(recvScratch_.data(), static_cast<int>(recvScratch_.size()));
    if (received == 0) closedGracefully_ = true;
    if (received < 0) {
      const int error = GStack().WSGetLastError();
      if (error != platform::kWsaEShutdown && error != platform::kWsaEConnAborted) {
        TIdStack::RaiseSocketError(error);
      }
      ioHandler_->Close();
      if (inputBuffer_.Size() == 0) TIdStack::RaiseSocketError(error);
      received = 0;
    }
    if (received > 0) {
      if (asciiFilter_) {
        for (int i = 0; i < received; ++i) {
          recvScratch_[static_cast<std::size_t>(i)] =
              static_cast<char>(recvScratch_[static_cast<std::size_t>(i)] & 0x7F);
        }
      }
      inputBuffer_.Append(std::string_view(recvScratch_).substr(0, static_cast<std::size_t>(received)));
    }
    CheckForDisconnect(raiseWhenDisconnected, false);
  } while (received == 0 && ioHandler_ && ioHandler_->Connected());
  return received;
}

void TIdTCPConnection::PollForPeerClose() { ReadFromStack(false, 1, false); }

std::string TIdTCPConnection::ExtractCounted(std::size_t count) {
  std::string out = inputBuffer_.Extract(count);
  DoWork(TWorkMode::wkRead, static_cast<std::int64_t>(count));
  return out;
}

std::string TIdTCPConnection::ReadLine() {
  return ReadLine(maxLineLength_ == 0 ? 0 : maxLineLength_, maxLineAction_);
}

std::string TIdTCPConnection::ReadLine(std::int64_t maxLength, TIdMaxLineAction action) {
  const auto limit = maxLength > 0 ? static_cast<std::size_t>(maxLength) : SIZE_MAX;
  std::size_t searchFrom = 0;
  for (;;) {
    const auto held = inputBuffer_.View();
    const auto lf = held.find('\n', searchFrom);
    const bool tooLong = lf != std::string_view::npos ? lf > limit : held.size() > limit;
    if (tooLong) {
      if (action == TIdMaxLineAction::maException) {
        throw EIdReadLnMaxLineLengthExceeded("Max line length exceeded.");
      }
      return ExtractCounted(limit);
    }
    if (lf != std::string_view::npos) {
      std::string line = ExtractCounted(lf + 1);
      line.pop_back();
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    searchFrom = held.size();
    CheckForDisconnect(true, true);
    ReadFromStack(true, std::nullopt, true);
  }
}

std::string TIdTCPConnection::ReadExact(std::size_t count) {
  while (inputBuffer_.Size() < count) {
    ReadFromStack(true, std::nullopt, true);
    CheckForDisconnect(true, true);
  }
  return ExtractCounted(count);
}

bool TIdTCPConnection::CopyEndsNormally(bool untilClose) {
  try {
    throw;
  } catch (const EIdConnClosedGracefully&) {
    return untilClose;
  } catch (const EIdNotConnected&) {
    // A Disconnect from the idle hook: like one from a work event, the body ends here.
    return closedByDisconnect_;
  } catch (...) {
    return false;
  }
}

namespace {

// Cuts the stream to its position when the copy ended before its announced size.
class TailCut {
 public:
  explicit TailCut(TStream& stream) : stream_(stream), unwinding_(std::uncaught_exceptions()) {}
  ~TailCut() noexcept(false) {
    if (std::uncaught_exceptions() == unwinding_) {
      Cut();
      return;
    }
    try {
      Cut();
    } catch (...) {
      // The failure already on its way out is the one the caller hears of.
    }
  }
  TailCut(const TailCut&) = delete;
  TailCut& operator=(const TailCut&) = delete;

 private:
  void Cut() {
    const auto position = stream_.Position();
    if (position < stream_.Size()) stream_.SetSize(position);
  }

  TStream& stream_;
  int unwinding_;
};

}  // namespace

void TIdTCPConnection::ReadToStream(TStream& stream, std::int64_t count) {
  const bool untilClose = count < 0;
  if (!untilClose) {
    const auto position = stream.Position();
    if (count <= std::numeric_limits<std::int64_t>::max() - position) {
      stream.SetSize(position + count);
      stream.SetPosition(position);
    }
  }
  const TailCut cut(stream);
  const TIdWorkBracket bracket(*this, TWorkMode::wkRead, untilClose ? 0 : count);
  auto remaining = untilClose ? std::numeric_limits<std::int64_t>::max() : count;

  const auto already = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(inputBuffer_.Size()), remaining));
  if (already > 0) {
    stream.WriteBuffer(inputBuffer_.View().substr(0, already));
    inputBuffer_.Remove(already);
    DoWork(TWorkMode::wkRead, static_cast<std::int64_t>(already));
    remaining -= static_cast<std::int64_t>(already);
  }
  while (remaining > 0 && Connected()) {
    const auto block =
        static_cast<std::size_t>(std::min<std::int64_t>(remaining, static_cast<std::int64_t>(BlockSize())));
    std::string bytes;
    try {
      bytes = ReadExact(block);
    } catch (...) {
      stream.WriteBuffer(inputBuffer_.TakeAll());
      if (!CopyEndsNormally(untilClose)) throw;
      break;
    }
    stream.WriteBuffer(bytes);
    remaining -= static_cast<std::int64_t>(bytes.size());
  }
}

void TIdTCPConnection::Write(std::string_view bytes) {
  if (!writeBuffer_) {
    WriteDirect(bytes);
    return;
  }
  CheckForDisconnect(true, true);
  if (!Connected()) throw EIdNotConnected("Not Connected");
  writeBuffer_->append(bytes);
}

void TIdTCPConnection::WriteLine(std::string_view text) {
  std::string line(text);
  line += "\r\n";
  Write(line);
}

void TIdTCPConnection::OpenWriteBuffer() { writeBuffer_.emplace(); }

void TIdTCPConnection::CloseWriteBuffer() {
  if (!writeBuffer_) return;
  const std::string bytes = std::move(*writeBuffer_);
  writeBuffer_.reset();
  WriteDirect(bytes);
}

void TIdTCPConnection::CancelWriteBuffer() { writeBuffer_.reset(); }

void TIdTCPConnection::WriteDirect(std::string_view bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (!ioHandler_) throw EIdNotConnected("Not Connected");
    const auto piece = std::min<std::size_t>(bytes.size() - sent, INT_MAX);
    const int n = ioHandler_->Send(bytes.data() + sent, static_cast<int>(piece));
    if (n == 0) closedGracefully_ = true;
    CheckForDisconnect(true, false);
    if (n < 0) {
      const int error = GStack().WSGetLastError();
      if (error == platform::kWsaEShutdown || error == platform::kWsaEConnAborted ||
          error == platform::kWsaEConnReset) {
        ioHandler_->Close();
      }
      TIdStack::RaiseSocketError(error);
    }
    DoWork(TWorkMode::wkWrite, n);
    sent += static_cast<std::size_t>(n);
  }
}

void TIdTCPConnection::PrepareToConnect() {
  inputBuffer_.Clear();
  closedGracefully_ = false;
  closedByDisconnect_ = false;
}

TIdIOHandlerSocket& TIdTCPConnection::CreatedIOHandler() {
  if (!ioHandler_) {
    ioHandler_ = std::make_unique<TIdIOHandlerSocket>();
    ioHandler_->OnStatus = OnStatus;
    freeIOHandlerOnDisconnect_ = true;
  } else if (ioHandler_->Connected()) {
    throw EIdAlreadyConnected("Already connected.");
  }
  return *ioHandler_;
}

void TIdTCPConnection::SetConnecting(bool connecting) { connecting_ = connecting; }

void TIdTCPConnection::FreeIOHandlerLeftByDisconnect() {
  if (!freeAfterConnect_) return;
  freeAfterConnect_ = false;
  ioHandler_.reset();
}
