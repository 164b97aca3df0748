// A TCP connection for the mail transfer: plain sockets (BSD or Winsock), non-blocking
// underneath, where every call waits at most until a deadline the caller gives.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace druvo::net {

using Clock = std::chrono::steady_clock;

/// One outgoing TCP connection. Not copyable; closed by its destructor.
class TcpConnection {
 public:
  TcpConnection() = default;
  ~TcpConnection();
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  /// While a call below waits, `events` is called at least every `slice` (never from another
  /// thread): the window's events run there. Empty (the start): the waits only wait.
  void WhileWaiting(std::function<void()> events, std::chrono::milliseconds slice);

  /// Resolves `host` (a name, an IPv4 address or an IPv6 address without brackets) and
  /// connects to its addresses in turn until one accepts. False with `why` when the name
  /// cannot be resolved, every address refuses, or the deadline passes.
  bool Connect(const std::string& host, std::uint16_t port, Clock::time_point deadline,
               std::string& why);

  /// Sends all bytes; false with `why` on an error or when the deadline passes first.
  bool Send(std::string_view bytes, Clock::time_point deadline, std::string& why);

  /// Waits for data and appends what has arrived to `into`. False with `why` when the
  /// peer closed the connection, on an error, or when nothing arrived before the deadline.
  bool Receive(std::string& into, Clock::time_point deadline, std::string& why);

  /// The local end of the connection as an SMTP address literal: "[127.0.0.1]" or
  /// "[IPv6:::1]"; empty when not connected.
  std::string LocalAddressLiteral() const;

  /// The address the connection went to, as text ("127.0.0.1", "::1").
  const std::string& PeerAddress() const { return peer_; }

  bool IsOpen() const;
  void Close();

 private:
  std::uintptr_t sock_ = kNone;  // a file descriptor or a SOCKET
  std::string peer_;
  std::function<void()> events_;
  std::chrono::milliseconds slice_{0};
  static constexpr std::uintptr_t kNone = ~std::uintptr_t{0};
};

/// A socket listening on 127.0.0.1 that never accepts: connections to it complete in the
/// system's backlog and then hear nothing. For tests of a relay that never answers.
class LoopbackListener {
 public:
  LoopbackListener() = default;
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  /// Listens on a free port chosen by the system; false when that fails.
  bool Open();
  /// The port listened on; 0 when not open.
  std::uint16_t Port() const { return port_; }
  void Close();

 private:
  std::uintptr_t sock_ = ~std::uintptr_t{0};
  std::uint16_t port_ = 0;
};

}  // namespace druvo::net
