// The simulator back end: the keyboard simulator's server on a loopback
// address, reached over TCP with the line protocol of simulator/sim_protocol.h.
// A server that is not there is a keyboard that is not plugged in: the count
// is 0, writes fail, and a thread of the back end keeps trying to connect, so
// that a server started later, or started again, is found.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "hidserv/backends_win.h"
#include "simulator/sim_protocol.h"

namespace {

constexpr long kConnectTimeoutMs = 250;  // on loopback a listening server answers at once
constexpr auto kRetryPause = std::chrono::milliseconds(250);
constexpr DWORD kGreetTimeoutMs = 3000;

// One connection attempt that gives up after kConnectTimeoutMs (Windows
// retries a refused loopback connection for a second or two).
SOCKET TryConnect(const sockaddr_in& address) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  bool connected = connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval timeout{0, kConnectTimeoutMs * 1000};
    int error = 0;
    int length = sizeof error;
    connected = select(0, nullptr, &writable, &failed, &timeout) > 0 && FD_ISSET(s, &writable) &&
                getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
  }
  if (!connected) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  nonBlocking = 0;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  BOOL yes = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
  return s;
}

class SimBackend : public HidServBackend {
 public:
  SimBackend(const sockaddr_in& address, ServiceEngine& engine) : address_(address), engine_(engine) {}
  ~SimBackend() override { Shutdown(); }

  // Tries the server once right away, so that a running server is counted
  // before Init returns; the back end's thread goes on from there.
  void Begin() {
    const bool connected = Connect();
    thread_ = std::thread([this, connected] { Run(connected); });
  }

  int Count() override { return count_.load(); }

  bool RefusesRead() override {
    for (int left = refusals_.load(); left > 0;)
      if (refusals_.compare_exchange_weak(left, left - 1)) return true;
    return false;
  }

  int Write(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report) override {
    if (count_.load() == 0) return 0;
    return Send(WriteLine(usagePage, usage, report)) ? 1 : 0;
  }

  void Shutdown() override {
    {
      std::lock_guard lock(lock_);
      stopping_ = true;
      if (socket_ != INVALID_SOCKET) shutdown(socket_, SD_BOTH);  // ends a blocked receive
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

 private:
  // While connected: the server's events. Between connections: an attempt
  // every kRetryPause until Shutdown.
  void Run(bool connected) {
    for (;;) {
      if (connected) {
        ReadEvents();
        Disconnect();
      }
      std::unique_lock lock(lock_);
      if (wake_.wait_for(lock, kRetryPause, [this] { return stopping_; })) return;
      lock.unlock();
      connected = Connect();
      // A keyboard on a new connection was not there before.
      if (connected && count_.load() != 0) engine_.CountChanged(count_.load());
    }
  }

  // Connects and greets: says DEVICE and takes the first COUNT line (after the
  // standing reads to refuse, when the simulator is told to refuse some). The
  // caller tells the engine: Init's first attempt raises no notice, since
  // nobody can have asked for one yet.
  bool Connect() {
    const SOCKET s = TryConnect(address_);
    if (s == INVALID_SOCKET) return false;
    {
      std::lock_guard lock(lock_);
      if (stopping_) {
        closesocket(s);
        return false;
      }
      socket_ = s;
    }
    input_.clear();
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&kGreetTimeoutMs), sizeof kGreetTimeoutMs);
    std::string line;
    SimEvent event;
    bool greeted = Send(std::string(kSimDeviceHello) + "\n") && ReadLine(line);
    if (greeted && line.rfind("REFUSE ", 0) == 0) {
      refusals_ = std::atoi(line.c_str() + 7);
      greeted = ReadLine(line);
    }
    if (!greeted || !ParseEventLine(line, event) || event.kind != SimEvent::kCount) {
      Disconnect();
      return false;
    }
    const DWORD forever = 0;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&forever), sizeof forever);
    count_ = event.count;
    return true;
  }

  // The server is gone: as if the keyboard had been pulled out.
  void Disconnect() {
    {
      std::lock_guard sending(sendLock_);  // no send is using the socket
      std::lock_guard lock(lock_);
      closesocket(socket_);
      socket_ = INVALID_SOCKET;
    }
    if (count_.exchange(0) != 0) engine_.CountChanged(0);
  }

  bool Send(const std::string& text) {
    std::lock_guard sending(sendLock_);
    SOCKET s;
    {
      std::lock_guard lock(lock_);
      s = socket_;
    }
    if (s == INVALID_SOCKET) return false;
    std::size_t sent = 0;
    while (sent < text.size()) {
      const int n = send(s, text.data() + sent, static_cast<int>(text.size() - sent), 0);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  // On the connecting side (Begin, then the back end's thread), which alone changes socket_.
  bool ReadLine(std::string& line) {
    for (;;) {
      const std::size_t end = input_.find('\n');
      if (end != std::string::npos) {
        line = input_.substr(0, end);
        input_.erase(0, end + 1);
        return true;
      }
      if (input_.size() > kSimMaxLine) return false;
      char buffer[4096];
      const int n = recv(socket_, buffer, sizeof buffer, 0);
      if (n <= 0) return false;
      input_.append(buffer, static_cast<std::size_t>(n));
    }
  }

  void ReadEvents() {
    std::string line;
    while (ReadLine(line)) {
      SimEvent event;
      if (!ParseEventLine(line, event)) continue;
      if (event.kind == SimEvent::kCount) {
        if (count_.exchange(event.count) != event.count) engine_.CountChanged(event.count);
      } else {
        engine_.Deliver(event.usagePage, event.usage, event.bytes,
                        ServiceEngine::Clock::now() + std::chrono::milliseconds(event.delayMs));
      }
    }
  }

  const sockaddr_in address_;
  ServiceEngine& engine_;
  std::mutex sendLock_;  // one send at a time; taken before lock_
  std::mutex lock_;
  std::condition_variable wake_;
  SOCKET socket_ = INVALID_SOCKET;  // changed only by the connecting side, under both locks
  bool stopping_ = false;
  std::string input_;  // the connecting thread's
  std::atomic<int> count_{0};
  std::atomic<int> refusals_{0};  // standing reads still to refuse
  std::thread thread_;
};

}  // namespace

std::unique_ptr<HidServBackend> ConnectSimulator(const std::string& setting, ServiceEngine& engine) {
  // sim:HOST:PORT
  const std::size_t colon = setting.rfind(':');
  if (colon == std::string::npos || colon <= 4) return nullptr;
  std::string host = setting.substr(4, colon - 4);
  if (host == "localhost") host = "127.0.0.1";
  const int port = std::atoi(setting.c_str() + colon + 1);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  if (port <= 0 || port > 65535 || inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) return nullptr;
  if ((ntohl(address.sin_addr.s_addr) >> 24) != 127) return nullptr;  // loopback only

  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return nullptr;
  auto backend = std::make_unique<SimBackend>(address, engine);
  backend->Begin();
  return backend;
}
