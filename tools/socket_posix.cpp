#include "tools/socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>

namespace druvo::net {

namespace {

std::string ErrorText(int err) { return std::string(strerror(err)); }

// poll() takes whole milliseconds; rounding up keeps a wait from ending just before its
// deadline and spinning once more with a zero timeout.
int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 24LL * 3600 * 1000));
}

// Waits until the socket is ready for `events`; 1 ready, 0 deadline passed, -1 error.
int WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int n = poll(&p, 1, MillisecondsLeft(deadline));
    if (n > 0) return 1;
    if (n == 0) {
      if (Clock::now() >= deadline) return 0;
      continue;
    }
    if (errno != EINTR) return -1;
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

}  // namespace

TcpConnection::~TcpConnection() { Close(); }

bool TcpConnection::IsOpen() const { return sock_ != kNone; }

void TcpConnection::Close() {
  if (sock_ != kNone) close(static_cast<int>(sock_));
  sock_ = kNone;
}

bool TcpConnection::Connect(const std::string& host, std::uint16_t port,
                            Clock::time_point deadline, std::string& why) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const std::string service = std::to_string(port);
  int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
  if (rc != 0) {
    why = "cannot resolve " + host + ": " + gai_strerror(rc);
    return false;
  }
  why = "no address for " + host;
  for (addrinfo* a = list; a; a = a->ai_next) {
    if (Clock::now() >= deadline) {
      why = "no connection before the time limit";
      break;
    }
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      why = "socket: " + ErrorText(errno);
      continue;
    }
    const std::string addr = AddressText(a->ai_addr);
    int err = 0;
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      err = errno;
      if (err == EINPROGRESS || err == EINTR) {
        int ready = WaitFor(fd, POLLOUT, deadline);
        if (ready == 0) {
          close(fd);
          why = "no connection to " + addr + " before the time limit";
          continue;
        }
        socklen_t len = sizeof err;
        if (ready < 0) err = errno;
        else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
      }
    }
    if (err != 0) {
      close(fd);
      why = "connect to " + addr + ": " + ErrorText(err);
      continue;
    }
    sock_ = static_cast<std::uintptr_t>(fd);
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
  const int fd = static_cast<int>(sock_);
  while (!bytes.empty()) {
    // MSG_NOSIGNAL: a relay that hangs up must give an error, not end the program.
    ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      int ready = WaitFor(fd, POLLOUT, deadline);
      if (ready > 0) continue;
      why = ready == 0 ? "sending stalled past the time limit" : "poll: " + ErrorText(errno);
      return false;
    }
    why = "send: " + ErrorText(errno);
    return false;
  }
  return true;
}

bool TcpConnection::Receive(std::string& into, Clock::time_point deadline, std::string& why) {
  if (!IsOpen()) {
    why = "not connected";
    return false;
  }
  const int fd = static_cast<int>(sock_);
  char buf[4096];
  for (;;) {
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n > 0) {
      into.append(buf, static_cast<std::size_t>(n));
      return true;
    }
    if (n == 0) {
      why = "the relay closed the connection";
      return false;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      int ready = WaitFor(fd, POLLIN, deadline);
      if (ready > 0) continue;
      why = ready == 0 ? "no reply before the time limit" : "poll: " + ErrorText(errno);
      return false;
    }
    why = "recv: " + ErrorText(errno);
    return false;
  }
}

std::string TcpConnection::LocalAddressLiteral() const {
  if (!IsOpen()) return {};
  sockaddr_storage ss{};
  socklen_t len = sizeof ss;
  if (getsockname(static_cast<int>(sock_), reinterpret_cast<sockaddr*>(&ss), &len) != 0) return {};
  const std::string text = AddressText(reinterpret_cast<const sockaddr*>(&ss));
  if (text.empty()) return {};
  return ss.ss_family == AF_INET6 ? "[IPv6:" + text + "]" : "[" + text + "]";
}

LoopbackListener::~LoopbackListener() { Close(); }

bool LoopbackListener::Open() {
  Close();
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = 0;
  socklen_t len = sizeof sa;
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, 8) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    close(fd);
    return false;
  }
  sock_ = static_cast<std::uintptr_t>(fd);
  port_ = ntohs(sa.sin_port);
  return true;
}

void LoopbackListener::Close() {
  if (sock_ != ~std::uintptr_t{0}) close(static_cast<int>(sock_));
  sock_ = ~std::uintptr_t{0};
  port_ = 0;
}

}  // namespace druvo::net
