// The keyboard simulator's server: a simulated keyboard on 127.0.0.1 for
// HidServ.dll (OSTRAK_DEVICE=sim:127.0.0.1:PORT) and for the scripts and tests
// that drive it. The line protocol is in sim_protocol.h.
//
//   keyboard_sim [--port N] [--port-file FILE] [--memory FILE] [--capacity UNITS] [--unplugged]
//                [--echo full|code|garbage]
//
// --port 0 (the default) lets the system choose; the port is printed as
// "PORT <n>" on the first line of the output and, with --port-file, written to
// that file. --memory keeps the keyboard's memory in FILE: read at start,
// written after every end-configuration command and at exit. --echo sets what
// the keyboard's replies repeat besides the command code (the control line
// "faults echo=..." changes it later). The server ends
// on the control command "quit" or on SIGINT / SIGTERM (Ctrl+C on Windows).
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
inline void CloseSocket(Socket s) { closesocket(s); }
inline int Poll(pollfd* fds, std::size_t n, int timeoutMs) { return WSAPoll(fds, static_cast<ULONG>(n), timeoutMs); }
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
constexpr Socket kNoSocket = -1;
inline void CloseSocket(Socket s) { close(s); }
inline int Poll(pollfd* fds, std::size_t n, int timeoutMs) { return poll(fds, n, timeoutMs); }
#endif

#include "device/command_frame.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_protocol.h"

namespace {

std::atomic<bool> gStop{false};

void OnSignal(int) { gStop = true; }

struct Client {
  Socket socket = kNoSocket;
  std::string input;
  bool device = false;  // sent DEVICE: receives the keyboard's reports
  bool first = true;
  bool closed = false;
};

bool SendAll(Socket s, const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const int n = send(s, text.data() + sent, static_cast<int>(text.size() - sent), 0);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: keyboard_sim [--port N] [--port-file FILE] [--memory FILE] [--capacity UNITS] "
               "[--unplugged] [--echo full|code|garbage]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  int capacity = kSimDefaultCapacityUnits;
  std::string portFile, memoryPath;
  bool unplugged = false;
  SimEcho echo = SimEcho::kFull;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--port" && hasValue) port = std::atoi(argv[++i]);
    else if (arg == "--port-file" && hasValue) portFile = argv[++i];
    else if (arg == "--memory" && hasValue) memoryPath = argv[++i];
    else if (arg == "--capacity" && hasValue) capacity = std::atoi(argv[++i]);
    else if (arg == "--unplugged") unplugged = true;
    else if (arg == "--echo" && hasValue && ParseSimEcho(argv[i + 1], echo)) ++i;
    else return Usage();
  }
  if (port < 0 || port > 65535 || capacity < 1 || capacity > 255) return Usage();

#ifdef _WIN32
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
#else
  std::signal(SIGPIPE, SIG_IGN);
#endif
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);

  KeyboardSimulator keyboard(static_cast<std::uint8_t>(capacity));
  if (!memoryPath.empty()) keyboard.LoadMemory(memoryPath);  // a missing file: factory memory
  if (unplugged) keyboard.Unplug();
  keyboard.SetEcho(echo);

  Socket listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == kNoSocket) return 1;
  int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 8) != 0) {
    std::fprintf(stderr, "keyboard_sim: cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  std::printf("PORT %d\n", port);
  std::fflush(stdout);
  if (!portFile.empty()) {
    const std::string temporary = portFile + ".tmp";
    { std::ofstream(temporary) << port << "\n"; }
    std::rename(temporary.c_str(), portFile.c_str());
  }

  std::vector<std::unique_ptr<Client>> clients;
  // The keyboard's reports go to every device connection, as a HID keyboard's
  // input reports reach every program that has it open (the window program
  // and a console command at once): each takes the replies it waits for.
  keyboard.SetSink([&](const SimEvent& event) {
    const std::string line = EventLine(event);
    for (auto& c : clients)
      if (c->device && !c->closed && !SendAll(c->socket, line)) c->closed = true;
  });

  bool quit = false;
  while (!quit && !gStop) {
    std::vector<pollfd> fds;
    fds.push_back({listener, POLLIN, 0});
    for (auto& c : clients) fds.push_back({c->socket, POLLIN, 0});
    // The timeout only bounds how long a signal waits to be noticed.
    if (Poll(fds.data(), fds.size(), 250) < 0) continue;
    if (fds[0].revents & POLLIN) {
      Socket s = accept(listener, nullptr, nullptr);
      if (s != kNoSocket) {
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
        auto client = std::make_unique<Client>();
        client->socket = s;
        clients.push_back(std::move(client));
      }
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
      Client& c = *clients[i - 1];
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      const int n = recv(c.socket, buffer, sizeof buffer, 0);
      if (n <= 0) {
        c.closed = true;
        continue;
      }
      c.input.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end; !c.closed && (end = c.input.find('\n')) != std::string::npos;) {
        std::string line = c.input.substr(0, end);
        c.input.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (c.first && line == kSimDeviceHello) {
          c.first = false;
          c.device = true;
          const int refusals = keyboard.TakeReadRefusals();
          if (refusals > 0 && !SendAll(c.socket, "REFUSE " + std::to_string(refusals) + "\n")) c.closed = true;
          if (!SendAll(c.socket, "COUNT " + std::to_string(keyboard.Count()) + "\n")) c.closed = true;
          continue;
        }
        c.first = false;
        if (c.device) {
          std::uint16_t page = 0, usage = 0;
          std::vector<std::uint8_t> report;
          if (!ParseWriteLine(line, page, usage, report)) continue;
          const bool taken = keyboard.Write(page, usage, report) == 1;
          if (taken && !memoryPath.empty() && report.size() > kFrameCode &&
              report[kFrameCode] == kCommandEndConfiguration)
            keyboard.SaveMemory(memoryPath);
        } else if (!SendAll(c.socket, HandleControlLine(keyboard, line, memoryPath, quit))) {
          c.closed = true;
        }
      }
      if (c.input.size() > kSimMaxLine) c.closed = true;
    }
    for (auto it = clients.begin(); it != clients.end();) {
      if ((*it)->closed) {
        CloseSocket((*it)->socket);
        it = clients.erase(it);
      } else {
        ++it;
      }
    }
  }

  keyboard.SetSink({});
  for (auto& c : clients) CloseSocket(c->socket);
  CloseSocket(listener);
  if (!memoryPath.empty()) keyboard.SaveMemory(memoryPath);
  if (!portFile.empty()) std::remove(portFile.c_str());
#ifdef _WIN32
  WSACleanup();
#endif
  return 0;
}
