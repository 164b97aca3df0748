#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include "sys/reason.h"
#include "tools/socket_platform.h"

namespace druvo::net::platform {

static_assert(sizeof(sockaddr_storage) <= sizeof(Endpoint::address));

namespace {

int Fd(Handle h) { return static_cast<int>(h); }

}  // namespace

bool Startup(std::string&) { return true; }

int Resolve(const std::string& host, std::uint16_t port, std::vector<Endpoint>& out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
  if (rc == 0) KeepAll(list, freeaddrinfo, out);
  return rc;
}

std::string ResolveErrorText(int err) {
  switch (err) {
    case EAI_NONAME: return "onbekende computernaam";
    case EAI_AGAIN: return "de naam kan nu niet worden opgezocht";
    case EAI_SYSTEM: return ErrorText(errno);
    default: return gai_strerror(err);
  }
}

std::string AddressText(const Endpoint& e) {
  char host[NI_MAXHOST] = {};
  if (getnameinfo(e.Sockaddr(), static_cast<socklen_t>(e.length), host, sizeof host, nullptr, 0,
                  NI_NUMERICHOST) != 0)
    return {};
  const std::string text = host;
  return text.substr(0, text.find('%'));  // the address alone, without an IPv6 scope
}

bool IsIPv6(const Endpoint& e) { return e.family == AF_INET6; }

std::uint16_t Port(const Endpoint& e) {
  // sin_port and sin6_port stand at the same place.
  return ntohs(reinterpret_cast<const sockaddr_in*>(e.Sockaddr())->sin_port);
}

Handle Open(const Endpoint& e, int& err) {
  int fd = socket(e.family, e.socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, e.protocol);
  if (fd >= 0) return static_cast<Handle>(fd);
  err = errno;
  return kNoSocket;
}

void Close(Handle h) { close(Fd(h)); }

Progress StartConnect(Handle h, const Endpoint& e, int& err) {
  if (connect(Fd(h), e.Sockaddr(), static_cast<socklen_t>(e.length)) == 0) return Progress::kDone;
  err = errno;
  return err == EINPROGRESS || err == EINTR ? Progress::kPending : Progress::kFailed;
}

int ConnectError(Handle h) {
  int err = 0;
  socklen_t len = sizeof err;
  return getsockopt(Fd(h), SOL_SOCKET, SO_ERROR, &err, &len) == 0 ? err : errno;
}

bool Listen(Handle h, const Endpoint& e) {
  return bind(Fd(h), e.Sockaddr(), static_cast<socklen_t>(e.length)) == 0 && listen(Fd(h), 8) == 0;
}

bool LocalEndpoint(Handle h, Endpoint& e) {
  socklen_t len = sizeof e.address;
  if (getsockname(Fd(h), e.Sockaddr(), &len) != 0) return false;
  e.length = len;
  e.family = e.Sockaddr()->sa_family;
  return true;
}

Ready WaitOnce(Handle h, bool forRead, std::chrono::microseconds timeout, int& err) {
  // poll() takes whole milliseconds.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
  pollfd p{Fd(h), static_cast<short>(forRead ? POLLIN : POLLOUT), 0};
  const int n = poll(&p, 1, static_cast<int>(ms));
  if (n > 0) return Ready::kReady;
  if (n == 0 || errno == EINTR) return Ready::kNotYet;
  err = errno;
  return Ready::kFailed;
}

const char* WaitCallName() { return "poll"; }

Io SendSome(Handle h, std::string_view bytes, std::size_t& moved, int& err) {
  for (;;) {
    // MSG_NOSIGNAL: a relay that hangs up must give an error, not end the program.
    const ssize_t n = send(Fd(h), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      moved = static_cast<std::size_t>(n);
      return Io::kMoved;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Io::kWouldBlock;
    err = errno;
    return Io::kFailed;
  }
}

Io ReceiveSome(Handle h, char* buf, std::size_t size, std::size_t& moved, int& err) {
  for (;;) {
    const ssize_t n = recv(Fd(h), buf, size, 0);
    if (n > 0) {
      moved = static_cast<std::size_t>(n);
      return Io::kMoved;
    }
    if (n == 0) return Io::kClosed;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return Io::kWouldBlock;
    err = errno;
    return Io::kFailed;
  }
}

std::string ErrorText(int err) { return sys::Reason(static_cast<unsigned long>(err)); }

}  // namespace druvo::net::platform
