#pragma once
// One TCP connection: the receive buffer with its line and block readers, buffered sending,
// the peer-close check, timeouts, disconnecting, and the idle hook that runs while the
// connection waits for its socket.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/IdComponent.h"
#include "http/IdIOHandlerSocket.h"
#include "rtl/classes.h"

enum class TIdMaxLineAction { maException, maSplit };

// Bytes received and not yet consumed. Consuming moves a read offset; the unread rest moves
// to the front only every kCompactAt consumed bytes.
class TIdBuffer {
 public:
  static constexpr std::size_t kCompactAt = 32768;

  std::size_t Size() const { return data_.size() - offset_; }
  std::string_view View() const { return std::string_view(data_).substr(offset_); }
  void Append(std::string_view bytes) { data_.append(bytes); }
  // EIdNotEnoughDataInBuffer "Not enough data in buffer." when fewer bytes are held.
  std::string Extract(std::size_t count);
  void Remove(std::size_t count);
  void Clear();
  // Everything held, leaving the buffer empty.
  std::string TakeAll();
  // The offset the next read starts from, for tests of the compaction.
  std::size_t ReadOffset() const { return offset_; }

 private:
  std::string data_;
  std::size_t offset_ = 0;
};

class TIdTCPConnection;
using TIdNotifyEvent = std::function<void(TIdTCPConnection& Sender)>;

class TIdTCPConnection : public TIdComponent {
 public:
  // ReadToStream's count for a body that ends when the peer closes.
  static constexpr std::int64_t kUntilClose = -1;

  TIdTCPConnection() = default;
  // Closes an open socket without events.
  ~TIdTCPConnection() override = default;

  int ReadTimeout() const { return readTimeout_; }
  void SetReadTimeout(int value) { readTimeout_ = value; }
  int RecvBufferSize() const { return recvBufferSize_; }
  void SetRecvBufferSize(int value) { recvBufferSize_ = value; }
  int SendBufferSize() const { return sendBufferSize_; }
  void SetSendBufferSize(int value) { sendBufferSize_ = value; }
  int MaxLineLength() const { return maxLineLength_; }
  void SetMaxLineLength(int value) { maxLineLength_ = value; }
  TIdMaxLineAction MaxLineAction() const { return maxLineAction_; }
  void SetMaxLineAction(TIdMaxLineAction value) { maxLineAction_ = value; }
  bool ASCIIFilter() const { return asciiFilter_; }
  void SetASCIIFilter(bool value) { asciiFilter_ = value; }

  TIdIOHandlerSocket* IOHandler() { return ioHandler_.get(); }
  const TIdBuffer& InputBuffer() const { return inputBuffer_; }

  TIdNotifyEvent OnDisconnected;
  // Runs between the short slices of every wait for the socket (readability, connecting).
  // A handler may pump window messages and may call Disconnect, which ends the wait.
  TIdNotifyEvent OnIdle;

  // Status stDisconnecting, the socket closed, the handler made by Connect freed, then
  // OnDisconnected and stDisconnected; nothing but the freeing when no connection is open.
  virtual void Disconnect();
  // Notices a peer close first, without raising.
  bool Connected();

  // A line ended by LF, without it and a CR before it, under MaxLineLength/MaxLineAction.
  std::string ReadLine();
  std::string ReadLine(std::int64_t maxLength, TIdMaxLineAction action);
  // Exactly `count` bytes.
  std::string ReadExact(std::size_t count);
  // `count` bytes, or kUntilClose, into the stream at its position, in blocks of at most
  // RecvBufferSize, inside a wkRead work bracket.
  void ReadToStream(TStream& stream, std::int64_t count);

  void Write(std::string_view bytes);
  void WriteLine(std::string_view text);
  // Between these two, writes collect in memory and leave in one send loop.
  void OpenWriteBuffer();
  void CloseWriteBuffer();
  void CancelWriteBuffer();

  // The wait of at most 1 ms before a request: waiting bytes join the input buffer and a peer
  // close is noticed; nothing is raised.
  void PollForPeerClose();

 protected:
  // The receive step. `timeoutMs` unset: ReadTimeout (0 = no limit). Returns the bytes
  // received; -1 when the wait timed out without raising.
  int ReadFromStack(bool raiseWhenDisconnected, std::optional<int> timeoutMs, bool raiseOnTimeout);
  void CheckForDisconnect(bool raise, bool ignoreBuffer);

  // Used by the client's Connect.
  void PrepareToConnect();
  TIdIOHandlerSocket& CreatedIOHandler();
  void SetConnecting(bool connecting);
  // The handler when a Disconnect issued during the connect has left it to be freed.
  void FreeIOHandlerLeftByDisconnect();

 private:
  void WriteDirect(std::string_view bytes);
  std::string ExtractCounted(std::size_t count);
  void CloseAfterPeer();
  bool IdleDuringWait();
  std::size_t BlockSize() const;
  bool CopyEndsNormally(bool untilClose);

  int readTimeout_ = 0;
  int recvBufferSize_ = 32768;
  int sendBufferSize_ = 32768;
  int maxLineLength_ = 16384;
  TIdMaxLineAction maxLineAction_ = TIdMaxLineAction::maException;
  bool asciiFilter_ = false;

  std::unique_ptr<TIdIOHandlerSocket> ioHandler_;
  bool freeIOHandlerOnDisconnect_ = false;
  bool connecting_ = false;
  bool disconnecting_ = false;
  bool freeAfterConnect_ = false;
  TIdBuffer inputBuffer_;
  std::string recvScratch_;
  std::optional<std::string> writeBuffer_;
  bool closedGracefully_ = false;
  // Set when Disconnect closed an open connection: a copy loop it interrupts ends normally.
  bool closedByDisconnect_ = false;
};
