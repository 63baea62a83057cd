// The simulator back end: the keyboard simulator's server on a loopback
// address, reached over TCP with the line protocol of simulator/sim_protocol.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "hidserv/backends_win.h"
#include "simulator/sim_protocol.h"

namespace {

class SimBackend : public HidServBackend {
 public:
  SimBackend(SOCKET socket, ServiceEngine& engine) : socket_(socket), engine_(engine) {}
  ~SimBackend() override { Shutdown(); }

  // Says DEVICE and takes the first COUNT line. False when the server does
  // not answer within 3 s.
  bool Greet() {
    const DWORD timeoutMs = 3000;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    if (!Send(std::string(kSimDeviceHello) + "\n")) return false;
    std::string line;
    SimEvent event;
    if (!ReadLine(line) || !ParseEventLine(line, event) || event.kind != SimEvent::kCount) return false;
    count_ = event.count;
    const DWORD forever = 0;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&forever), sizeof forever);
    reader_ = std::thread([this] { Read(); });
    return true;
  }

  int Count() override { return count_.load(); }

  int Write(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report) override {
    if (count_.load() == 0) return 0;
    return Send(WriteLine(usagePage, usage, report)) ? 1 : 0;
  }

  void Shutdown() override {
    if (socket_ != INVALID_SOCKET) shutdown(socket_, SD_BOTH);
    if (reader_.joinable()) reader_.join();
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  bool Send(const std::string& text) {
    std::lock_guard lock(sendLock_);
    std::size_t sent = 0;
    while (sent < text.size()) {
      const int n = send(socket_, text.data() + sent, static_cast<int>(text.size() - sent), 0);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

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

  void Read() {
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
    // The server is gone: as if the keyboard had been pulled out.
    if (count_.exchange(0) != 0) engine_.CountChanged(0);
  }

  SOCKET socket_;
  ServiceEngine& engine_;
  std::mutex sendLock_;
  std::string input_;
  std::atomic<int> count_{0};
  std::thread reader_;
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
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return nullptr;
  if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    closesocket(s);
    return nullptr;
  }
  BOOL yes = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
  auto backend = std::make_unique<SimBackend>(s, engine);
  if (!backend->Greet()) return nullptr;
  return backend;
}
