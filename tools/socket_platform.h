// The platform half of the TCP connection: the few socket calls in which BSD sockets and
// Winsock differ. The deadlines, the connect sequence and the error wording live in
// tools/socket.cpp. Used by tools/socket.cpp only.
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

struct sockaddr;  // the system's own, declared by its socket headers

namespace druvo::net::platform {

using Handle = std::uintptr_t;  // a file descriptor or a SOCKET
inline constexpr Handle kNoSocket = ~Handle{0};

/// A socket address in the system's own form.
struct Endpoint {
  int family = 0;
  int socktype = 0;
  int protocol = 0;
  alignas(std::max_align_t) std::array<unsigned char, 128> address{};
  std::size_t length = 0;

  const sockaddr* Sockaddr() const { return reinterpret_cast<const sockaddr*>(address.data()); }
  sockaddr* Sockaddr() { return reinterpret_cast<sockaddr*>(address.data()); }
};

/// Readies the socket library once per process (Winsock); false with `why` when it cannot.
bool Startup(std::string& why);

/// Appends the addresses of `host` to try in turn to `out`; 0, or the resolver's error.
int Resolve(const std::string& host, std::uint16_t port, std::vector<Endpoint>& out);
/// The text of a resolver's error.
std::string ResolveErrorText(int err);

/// Copies every address of a resolver's list (addrinfo or ADDRINFOW, which have the same
/// members) to `out`, then releases the list with `release`.
template <class AddrInfo, class Release>
void KeepAll(AddrInfo* list, Release release, std::vector<Endpoint>& out) {
  for (const AddrInfo* a = list; a; a = a->ai_next) {
    Endpoint& e = out.emplace_back(Endpoint{a->ai_family, a->ai_socktype, a->ai_protocol});
    e.length = std::min(sizeof e.address, static_cast<std::size_t>(a->ai_addrlen));
    std::memcpy(e.address.data(), a->ai_addr, e.length);
  }
  release(list);
}

/// The numeric text of an address ("127.0.0.1", "::1"); empty when it has none.
std::string AddressText(const Endpoint& e);
/// Whether an address is an IPv6 one.
bool IsIPv6(const Endpoint& e);
/// The port of an address.
std::uint16_t Port(const Endpoint& e);

/// A non-blocking stream socket for `e`, not inherited by programs started later;
/// kNoSocket with the error in `err`.
Handle Open(const Endpoint& e, int& err);
void Close(Handle h);

enum class Progress { kDone, kPending, kFailed };
/// Starts connecting; kPending while the connection is still being made (the socket
/// becomes writable once it is settled), kFailed with `err`.
Progress StartConnect(Handle h, const Endpoint& e, int& err);
/// The outcome of a pending connect once it is settled: 0 or an error.
int ConnectError(Handle h);

/// Binds the socket to `e` and listens there; false when either fails.
bool Listen(Handle h, const Endpoint& e);

/// The local address of a bound socket; false when the system cannot say.
bool LocalEndpoint(Handle h, Endpoint& e);

enum class Ready { kReady, kNotYet, kFailed };
/// One wait of at most `timeout` for the socket to become readable (`forRead`) or
/// writable; kNotYet also when the wait was interrupted. kFailed with `err`.
Ready WaitOnce(Handle h, bool forRead, std::chrono::microseconds timeout, int& err);
/// The name of the waiting call, for error texts ("poll", "select").
const char* WaitCallName();

enum class Io { kMoved, kWouldBlock, kClosed, kFailed };
/// Sends a first part of `bytes`: kMoved with `moved` > 0, kWouldBlock, or kFailed with `err`.
Io SendSome(Handle h, std::string_view bytes, std::size_t& moved, int& err);
/// Receives into `buf`: kMoved with `moved` > 0, kClosed when the peer closed, kWouldBlock,
/// or kFailed with `err`.
Io ReceiveSome(Handle h, char* buf, std::size_t size, std::size_t& moved, int& err);

/// The system's text for a socket error.
std::string ErrorText(int err);

}  // namespace druvo::net::platform
