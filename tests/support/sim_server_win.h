// The keyboard simulator's server (its Windows build) as a child process, and
// a control connection to it, for the Windows tests.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/windows_test_support_win.h"

// A port on 127.0.0.1 where nothing listens: one the system handed out and
// took back.
inline int UnusedLoopbackPort() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  const bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  closesocket(s);
  return bound ? ntohs(address.sin_port) : 0;
}

// The simulator server as a child process, and a control connection to it.
class SimServer {
 public:
  // Starts the server with extra options on `port` (0: one the system
  // chooses); waits until it listens.
  bool Start(const std::wstring& options = L"", int port = 0) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    portFile_ = std::wstring(temp) + L"ostrak_h5_sim_" + std::to_wstring(GetCurrentProcessId()) + L".port";
    DeleteFileW(portFile_.c_str());
    std::wstring command = L"\"" + TestProgramsFolder() + L"keyboard_sim.exe\" --port " + std::to_wstring(port) +
                           L" --port-file \"" + portFile_ + L"\" " + options;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                        &process_))
      return false;
    // The server writes the port file once it listens.
    for (int i = 0; i < 200 && port_ == 0; ++i) {
      if (FILE* in = _wfopen(portFile_.c_str(), L"r")) {
        if (std::fscanf(in, "%d", &port_) != 1) port_ = 0;
        std::fclose(in);
      }
      if (port_ == 0) Sleep(50);
    }
    if (port_ == 0) return false;
    control_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const DWORD timeoutMs = 10000;
    setsockopt(control_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    return connect(control_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }

  std::string Control(const std::string& line) {
    const std::string text = line + "\n";
    send(control_, text.data(), static_cast<int>(text.size()), 0);
    for (;;) {
      const std::size_t end = input_.find('\n');
      if (end != std::string::npos) {
        std::string answer = input_.substr(0, end);
        input_.erase(0, end + 1);
        return answer;
      }
      char buffer[8192];
      const int n = recv(control_, buffer, sizeof buffer, 0);
      if (n <= 0) return "ERR connection";
      input_.append(buffer, n);
    }
  }

  ~SimServer() { Stop(); }

  void Stop() {
    if (control_ != INVALID_SOCKET) {
      Control("quit");
      closesocket(control_);
      control_ = INVALID_SOCKET;
    }
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 1);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
      process_ = {};
    }
    DeleteFileW(portFile_.c_str());
  }

  int Port() const { return port_; }

 private:
  PROCESS_INFORMATION process_{};
  std::wstring portFile_;
  int port_ = 0;
  SOCKET control_ = INVALID_SOCKET;
  std::string input_;
};

