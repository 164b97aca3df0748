#include "tools/socket.h"

#include <algorithm>
#include <vector>

#include "tools/socket_platform.h"

namespace druvo::net {

namespace {

namespace pf = platform;

enum class Wait { kReady, kTimedOut, kFailed };

// What runs while a call waits: the caller's events, at least once per slice.
struct Events {
  const std::function<void()>& events;
  std::chrono::milliseconds slice;
};

// Waits until the socket is readable (or writable) or the deadline passes; with events, in
// slices, the events running after each slice that ends with nothing to do. The system's
// wait is given the time left rounded up, so that it does not end just before the deadline
// and spin once more with a zero timeout; a wait that ends early is simply repeated.
Wait WaitUntil(pf::Handle h, bool forRead, Clock::time_point deadline, const Events& ev,
               int& err) {
  constexpr std::chrono::microseconds kLongest = std::chrono::hours(24);
  const bool slices = ev.events && ev.slice > std::chrono::milliseconds::zero();
  for (;;) {
    const Clock::time_point until = slices ? std::min(deadline, Clock::now() + ev.slice) : deadline;
    auto left = std::chrono::ceil<std::chrono::microseconds>(until - Clock::now());
    left = std::clamp(left, std::chrono::microseconds::zero(), kLongest);
    switch (pf::WaitOnce(h, forRead, left, err)) {
      case pf::Ready::kReady:
        return Wait::kReady;
      case pf::Ready::kFailed:
        return Wait::kFailed;
      case pf::Ready::kNotYet:
        if (Clock::now() >= deadline) return Wait::kTimedOut;
        break;
    }
    if (slices) ev.events();
  }
}

// After a call that would have blocked: true when the socket is ready for another try;
// false with `why` when the deadline passed (`timedOut`) or the wait itself failed.
bool AwaitReady(pf::Handle h, bool forRead, Clock::time_point deadline, const Events& ev,
                const char* timedOut, std::string& why) {
  int err = 0;
  const Wait w = WaitUntil(h, forRead, deadline, ev, err);
  if (w == Wait::kReady) return true;
  why = w == Wait::kTimedOut ? std::string(timedOut)
                             : std::string(pf::WaitCallName()) + ": " + pf::ErrorText(err);
  return false;
}

}  // namespace

TcpConnection::~TcpConnection() { Close(); }

void TcpConnection::WhileWaiting(std::function<void()> events, std::chrono::milliseconds slice) {
  events_ = std::move(events);
  slice_ = slice;
}

bool TcpConnection::IsOpen() const { return sock_ != kNone; }

void TcpConnection::Close() {
  if (sock_ != kNone) pf::Close(sock_);
  sock_ = kNone;
}

bool TcpConnection::Connect(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                            std::string& why) {
  Close();
  if (!pf::Startup(why)) return false;
  std::vector<pf::Endpoint> endpoints;
  if (const int rc = pf::Resolve(host, port, endpoints)) {
    why = "cannot resolve " + host + ": " + pf::ResolveErrorText(rc);
    return false;
  }
  why = "no address for " + host;
  for (const pf::Endpoint& e : endpoints) {
    if (Clock::now() >= deadline) {
      why = "no connection before the time limit";
      break;
    }
    int err = 0;
    const pf::Handle h = pf::Open(e, err);
    if (h == pf::kNoSocket) {
      why = "socket: " + pf::ErrorText(err);
      continue;
    }
    const std::string addr = pf::AddressText(e);
    if (pf::StartConnect(h, e, err) == pf::Progress::kPending) {
      const Wait w = WaitUntil(h, false, deadline, Events{events_, slice_}, err);
      if (w == Wait::kTimedOut) {
        pf::Close(h);
        why = "no connection to " + addr + " before the time limit";
        continue;
      }
      if (w == Wait::kReady) err = pf::ConnectError(h);
    }
    if (err != 0) {
      pf::Close(h);
      why = "connect to " + addr + ": " + pf::ErrorText(err);
      continue;
    }
    sock_ = h;
    peer_ = addr;
    why.clear();
    break;
  }
  return IsOpen();
}

bool TcpConnection::Send(std::string_view bytes, Clock::time_point deadline, std::string& why) {
  if (!IsOpen()) {
    why = "not connected";
    return false;
  }
  while (!bytes.empty()) {
    std::size_t moved = 0;
    int err = 0;
    const pf::Io io = pf::SendSome(sock_, bytes, moved, err);
    if (io == pf::Io::kMoved) {
      bytes.remove_prefix(moved);
    } else if (io == pf::Io::kWouldBlock) {
      if (!AwaitReady(sock_, false, deadline, Events{events_, slice_},
                      "sending stalled past the time limit", why))
        return false;
    } else {
      why = "send: " + pf::ErrorText(err);
      return false;
    }
  }
  return true;
}

bool TcpConnection::Receive(std::string& into, Clock::time_point deadline, std::string& why) {
  if (!IsOpen()) {
    why = "not connected";
    return false;
  }
  char buf[4096];
  for (;;) {
    std::size_t moved = 0;
    int err = 0;
    switch (pf::ReceiveSome(sock_, buf, sizeof buf, moved, err)) {
      case pf::Io::kMoved:
        into.append(buf, moved);
        return true;
      case pf::Io::kClosed:
        why = "the relay closed the connection";
        return false;
      case pf::Io::kWouldBlock:
        if (!AwaitReady(sock_, true, deadline, Events{events_, slice_},
                        "no reply before the time limit", why))
          return false;
        break;
      case pf::Io::kFailed:
        why = "recv: " + pf::ErrorText(err);
        return false;
    }
  }
}

std::string TcpConnection::LocalAddressLiteral() const {
  pf::Endpoint me;
  if (!IsOpen() || !pf::LocalEndpoint(sock_, me)) return {};
  const std::string text = pf::AddressText(me);
  if (text.empty()) return {};
  return pf::IsIPv6(me) ? "[IPv6:" + text + "]" : "[" + text + "]";
}

LoopbackListener::~LoopbackListener() { Close(); }

bool LoopbackListener::Open() {
  Close();
  std::string why;
  std::vector<pf::Endpoint> loopback;
  if (!pf::Startup(why) || pf::Resolve("127.0.0.1", 0, loopback) != 0 || loopback.empty())
    return false;
  int err = 0;
  const pf::Handle h = pf::Open(loopback.front(), err);
  if (h == pf::kNoSocket) return false;
  pf::Endpoint bound;
  if (!pf::Listen(h, loopback.front()) || !pf::LocalEndpoint(h, bound)) {
    pf::Close(h);
    return false;
  }
  sock_ = h;
  port_ = pf::Port(bound);
  return true;
}

void LoopbackListener::Close() {
  if (sock_ != pf::kNoSocket) pf::Close(sock_);
  sock_ = pf::kNoSocket;
  port_ = 0;
}

}  // namespace druvo::net
