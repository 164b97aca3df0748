#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "sys/reason.h"
#include "sys/wide_win32.h"
#include "tools/socket_platform.h"

namespace druvo::net::platform {

static_assert(sizeof(sockaddr_storage) <= sizeof(Endpoint::address));

// Winsock must be started once per process before the first socket call; it stays up
// until the process ends.
bool Startup(std::string& why) {
  static const int started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0) why = "WSAStartup: " + ErrorText(started);
  return started == 0;
}

int Resolve(const std::string& host, std::uint16_t port, std::vector<Endpoint>& out) {
  ADDRINFOW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  ADDRINFOW* list = nullptr;
  const std::wstring service = std::to_wstring(port);
  const int rc = GetAddrInfoW(sys::Widen(host).c_str(), service.c_str(), &hints, &list);
  if (rc == 0) KeepAll(list, FreeAddrInfoW, out);
  return rc;
}

std::string ResolveErrorText(int err) { return ErrorText(err); }

std::string AddressText(const Endpoint& e) {
  const void* in = nullptr;
  if (e.family == AF_INET) in = &reinterpret_cast<const sockaddr_in*>(e.Sockaddr())->sin_addr;
  if (e.family == AF_INET6) in = &reinterpret_cast<const sockaddr_in6*>(e.Sockaddr())->sin6_addr;
  char buf[INET6_ADDRSTRLEN] = {};
  return in && inet_ntop(e.family, in, buf, sizeof buf) ? buf : "";
}

bool IsIPv6(const Endpoint& e) { return e.family == AF_INET6; }

std::uint16_t Port(const Endpoint& e) {
  // sin_port and sin6_port stand at the same place.
  return ntohs(reinterpret_cast<const sockaddr_in*>(e.Sockaddr())->sin_port);
}

Handle Open(const Endpoint& e, int& err) {
  SOCKET s = socket(e.family, e.socktype, e.protocol);
  if (s == INVALID_SOCKET) {
    err = WSAGetLastError();
    return kNoSocket;
  }
  // Not inherited by the host's programs that a run starts later.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  return static_cast<Handle>(s);
}

void Close(Handle h) { closesocket(h); }

Progress StartConnect(Handle h, const Endpoint& e, int& err) {
  if (connect(h, e.Sockaddr(), static_cast<int>(e.length)) == 0) return Progress::kDone;
  err = WSAGetLastError();
  return err == WSAEWOULDBLOCK ? Progress::kPending : Progress::kFailed;
}

int ConnectError(Handle h) {
  int err = 0;
  int len = sizeof err;
  if (getsockopt(h, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0)
    return WSAGetLastError();
  return err;
}

bool Listen(Handle h, const Endpoint& e) {
  return bind(h, e.Sockaddr(), static_cast<int>(e.length)) == 0 && listen(h, 8) == 0;
}

bool LocalEndpoint(Handle h, Endpoint& e) {
  int len = static_cast<int>(sizeof e.address);
  if (getsockname(h, e.Sockaddr(), &len) != 0) return false;
  e.length = static_cast<std::size_t>(len);
  e.family = e.Sockaddr()->sa_family;
  return true;
}

// A failed non-blocking connect shows in the exception set, not as writable, so that set
// is watched too.
Ready WaitOnce(Handle h, bool forRead, std::chrono::microseconds timeout, int& err) {
  fd_set rw;
  fd_set ex;
  FD_ZERO(&rw);
  FD_ZERO(&ex);
  FD_SET(h, &rw);
  FD_SET(h, &ex);
  timeval tv{};
  tv.tv_sec = static_cast<long>(timeout.count() / 1000000);
  tv.tv_usec = static_cast<long>(timeout.count() % 1000000);
  const int n = select(0, forRead ? &rw : nullptr, forRead ? nullptr : &rw, &ex, &tv);
  if (n > 0) return Ready::kReady;
  if (n == 0) return Ready::kNotYet;
  err = WSAGetLastError();
  return Ready::kFailed;
}

const char* WaitCallName() { return "select"; }

Io SendSome(Handle h, std::string_view bytes, std::size_t& moved, int& err) {
  const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
  const int n = send(h, bytes.data(), chunk, 0);
  if (n > 0) {
    moved = static_cast<std::size_t>(n);
    return Io::kMoved;
  }
  err = WSAGetLastError();
  return n < 0 && err == WSAEWOULDBLOCK ? Io::kWouldBlock : Io::kFailed;
}

Io ReceiveSome(Handle h, char* buf, std::size_t size, std::size_t& moved, int& err) {
  const int n = recv(h, buf, static_cast<int>(size), 0);
  if (n > 0) {
    moved = static_cast<std::size_t>(n);
    return Io::kMoved;
  }
  if (n == 0) return Io::kClosed;
  err = WSAGetLastError();
  return err == WSAEWOULDBLOCK ? Io::kWouldBlock : Io::kFailed;
}

std::string ErrorText(int err) { return sys::Reason(static_cast<unsigned long>(err)); }

}  // namespace druvo::net::platform
