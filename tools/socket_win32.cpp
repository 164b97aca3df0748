#include "tools/socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <algorithm>

#include "sys/wide_win32.h"

namespace druvo::net {

namespace {

// Winsock must be started once per process before the first socket call; it stays up
// until the process ends.
bool EnsureWinsock(std::string& why) {
  static const int started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0) why = "WSAStartup failed with error " + std::to_string(started);
  return started == 0;
}

std::string ErrorText(int err) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(err), 0, reinterpret_cast<wchar_t*>(&buf),
                           0, nullptr);
  std::string text;
  if (n && buf) text = sys::Narrow(std::wstring_view(buf, n));
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  const std::string number = "error " + std::to_string(err);
  return text.empty() ? number : text + " (" + number + ")";
}

timeval TimeLeft(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now()).count();
  left = std::clamp<long long>(left, 0, 24LL * 3600 * 1000000);
  timeval tv{};
  tv.tv_sec = static_cast<long>(left / 1000000);
  tv.tv_usec = static_cast<long>(left % 1000000);
  return tv;
}

// Waits until the socket is writable (or, with `forRead`, readable); 1 ready, 0 deadline
// passed, -1 error. A failed non-blocking connect shows in the exception set, not as
// writable, so that set is watched too.
int WaitFor(SOCKET s, bool forRead, Clock::time_point deadline) {
  for (;;) {
    fd_set rw;
    fd_set ex;
    FD_ZERO(&rw);
    FD_ZERO(&ex);
    FD_SET(s, &rw);
    FD_SET(s, &ex);
    timeval tv = TimeLeft(deadline);
    int n = select(0, forRead ? &rw : nullptr, forRead ? nullptr : &rw, &ex, &tv);
    if (n > 0) return 1;
    if (n == 0) {
      if (Clock::now() >= deadline) return 0;
      continue;
    }
    return -1;
  }
}

std::string AddressText(const sockaddr* sa) {
  char buf[INET6_ADDRSTRLEN] = {};
  if (sa->sa_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, buf, sizeof buf);
  } else if (sa->sa_family == AF_INET6) {
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr, buf, sizeof buf);
  }
  return buf;
}

SOCKET AsSocket(std::uintptr_t s) { return static_cast<SOCKET>(s); }

}  // namespace

TcpConnection::~TcpConnection() { Close(); }

bool TcpConnection::IsOpen() const { return sock_ != kNone; }

void TcpConnection::Close() {
  if (sock_ != kNone) closesocket(AsSocket(sock_));
  sock_ = kNone;
}

bool TcpConnection::Connect(const std::string& host, std::uint16_t port,
                            Clock::time_point deadline, std::string& why) {
  Close();
  if (!EnsureWinsock(why)) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    why = "cannot resolve " + host + ": " + ErrorText(rc);
    return false;
  }
  why = "no address for " + host;
  for (addrinfo* a = list; a; a = a->ai_next) {
    if (Clock::now() >= deadline) {
      why = "no connection before the time limit";
      break;
    }
    SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) {
      why = "socket: " + ErrorText(WSAGetLastError());
      continue;
    }
    // Not inherited by the host's programs that a run starts later.
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    const std::string addr = AddressText(a->ai_addr);
    int err = 0;
    if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
      err = WSAGetLastError();
      if (err == WSAEWOULDBLOCK) {
        int ready = WaitFor(s, false, deadline);
        if (ready == 0) {
          closesocket(s);
          why = "no connection to " + addr + " before the time limit";
          continue;
        }
        int len = sizeof err;
        if (ready < 0) err = WSAGetLastError();
        else if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0)
          err = WSAGetLastError();
      }
    }
    if (err != 0) {
      closesocket(s);
      why = "connect to " + addr + ": " + ErrorText(err);
      continue;
    }
    sock_ = static_cast<std::uintptr_t>(s);
    peer_ = addr;
    why.clear();
    break;
  }
  freeaddrinfo(list);
  return IsOpen();
}

bool TcpConnection::Send(std::string_view bytes, Clock::time_point deadline, std::string& why) {
  if (!IsOpen()) {
    why = "not connected";
    return false;
  }
  const SOCKET s = AsSocket(sock_);
  while (!bytes.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    int n = send(s, bytes.data(), chunk, 0);
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    int err = WSAGetLastError();
    if (n < 0 && err == WSAEWOULDBLOCK) {
      int ready = WaitFor(s, false, deadline);
      if (ready > 0) continue;
      why = ready == 0 ? "sending stalled past the time limit"
                       : "select: " + ErrorText(WSAGetLastError());
      return false;
    }
    why = "send: " + ErrorText(err);
    return false;
  }
  return true;
}

bool TcpConnection::Receive(std::string& into, Clock::time_point deadline, std::string& why) {
  if (!IsOpen()) {
    why = "not connected";
    return false;
  }
  const SOCKET s = AsSocket(sock_);
  char buf[4096];
  for (;;) {
    int n = recv(s, buf, sizeof buf, 0);
    if (n > 0) {
      into.append(buf, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0) {
      why = "the relay closed the connection";
      return false;
    }
    int err = WSAGetLastError();
    if (err == WSAEWOULDBLOCK) {
      int ready = WaitFor(s, true, deadline);
      if (ready > 0) continue;
      why = ready == 0 ? "no reply before the time limit"
                       : "select: " + ErrorText(WSAGetLastError());
      return false;
    }
    why = "recv: " + ErrorText(err);
    return false;
  }
}

std::string TcpConnection::LocalAddressLiteral() const {
  if (!IsOpen()) return {};
  sockaddr_storage ss{};
  int len = sizeof ss;
  if (getsockname(AsSocket(sock_), reinterpret_cast<sockaddr*>(&ss), &len) != 0) return {};
  const std::string text = AddressText(reinterpret_cast<const sockaddr*>(&ss));
  if (text.empty()) return {};
  return ss.ss_family == AF_INET6 ? "[IPv6:" + text + "]" : "[" + text + "]";
}

LoopbackListener::~LoopbackListener() { Close(); }

bool LoopbackListener::Open() {
  Close();
  std::string why;
  if (!EnsureWinsock(why)) return false;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = 0;
  int len = sizeof sa;
  if (bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(s, 8) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    closesocket(s);
    return false;
  }
  sock_ = static_cast<std::uintptr_t>(s);
  port_ = ntohs(sa.sin_port);
  return true;
}

void LoopbackListener::Close() {
  if (sock_ != ~std::uintptr_t{0}) closesocket(AsSocket(sock_));
  sock_ = ~std::uintptr_t{0};
  port_ = 0;
}

}  // namespace druvo::net
