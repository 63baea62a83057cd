// The lighting interface's transport: the named pipe \\.\pipe\ostrak-lighting.
//
// Only the current user's logon session may open it (its security descriptor
// admits the logon session's SID alone and denies network logons), remote
// clients are rejected, and several clients may be connected at once. All
// pipe I/O is overlapped on a thread of the server's own, which waits in the
// system while no client is connected and never waits for the window: lines
// that arrive are queued and the owner woken; replies the owner sends are
// queued per client, and a client whose queue outgrows the limit (it stopped
// reading) is dropped. A client that sends faster than the owner answers is
// simply not read until the owner has caught up.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "lighting_interface/lighting_interface.h"

inline constexpr wchar_t kLightingPipeName[] = L"\\\\.\\pipe\\ostrak-lighting";

class LightingPipeServer : public InterfaceClients {
 public:
  // What one client may have waiting: replies and events not yet read.
  static constexpr std::size_t kMaxQueuedBytes = 1024 * 1024;
  static constexpr std::size_t kMaxClients = 16;

  // `wake` runs on the pipe's thread when something waits for Deliver; it
  // never waits (the window posts itself a message).
  explicit LightingPipeServer(std::function<void()> wake, std::wstring name = kLightingPipeName);
  ~LightingPipeServer() override;
  LightingPipeServer(const LightingPipeServer&) = delete;
  LightingPipeServer& operator=(const LightingPipeServer&) = delete;

  // Makes the pipe and starts its thread. False when the pipe cannot be made
  // (another program holds the name): the program runs without it.
  bool Start();
  // Ends the thread and disconnects every client.
  void Stop();

  // The owner's thread: hands clients' arrivals, lines and departures to `to`.
  void Deliver(LightingInterface& to);
  // InterfaceClients: queued for the pipe's thread (the owner's thread).
  void Send(ClientId client, std::string line) override;

  std::size_t ConnectedClients() const { return connected_; }

 private:
  struct Arrival {
    enum class Kind { kConnected, kLine, kGone } kind;
    ClientId client;
    ReceivedLine line;
  };
  struct Outbox {
    std::string bytes;
    bool drop = false;
    int linesWaiting = 0;  // lines of the client's not yet delivered
  };
  struct PipeClient;

  void Run(HANDLE listening);
  void Arrive(Arrival arrival);

  const std::function<void()> wake_;
  const std::wstring name_;
  HANDLE stop_ = nullptr;
  HANDLE outgoing_ = nullptr;  // set when the owner sent or delivered something
  std::thread thread_;
  std::atomic<std::size_t> connected_{0};

  std::mutex mutex_;
  std::deque<Arrival> arrivals_;
  std::map<ClientId, Outbox> outboxes_;
};

// The security descriptor's SDDL text: the logon session of this process
// alone (its user when no logon SID is found), never a network logon.
std::wstring LightingPipeSddl();
