// The lighting interface: other programs (games, tools) read and set the
// keyboard's lighting while Ostrak runs, through a local transport (the
// named pipe of lighting_pipe_server_win.h) that hands each client's lines
// here. Portable, on the session owner's thread: every request is answered at
// once, never by waiting for the keyboard. Settings changes go through the
// session like the window's; key colours through a KeyColourCoalescer, so
// that a client sending frames faster than the keyboard takes them gets the
// newest on the keyboard and never a queue.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "lighting_interface/key_colour_coalescer.h"
#include "lighting_interface/lighting_protocol.h"
#include "lighting_interface/message_lines.h"
#include "session/keyboard_session.h"

using ClientId = std::uint64_t;

// What the interface asks of its transport. Owner's thread; never waits (a
// client that does not read what it is sent is the transport's to drop).
class InterfaceClients {
 public:
  virtual ~InterfaceClients() = default;
  virtual void Send(ClientId client, std::string line) = 0;
};

class LightingInterface {
 public:
  // Subscribes to the session's events for as long as the session lives.
  LightingInterface(KeyboardSession& session, InterfaceClients& clients);
  LightingInterface(const LightingInterface&) = delete;
  LightingInterface& operator=(const LightingInterface&) = delete;

  void Connected(ClientId client);
  // One line from `client`: exactly one reply is sent to it.
  void Received(ClientId client, const ReceivedLine& line);
  void Disconnected(ClientId client);

  // How long a control the user changed in the window is the user's alone:
  // a client's change of it meanwhile is answered busy.
  void SetUserHold(std::chrono::milliseconds hold) { userHold_ = hold; }

  std::size_t ClientCount() const { return clients_.size(); }
  // Whether key colours are on their way (tests, the benchmark).
  bool KeyColoursUnderWay() const { return coalescer_->UnderWay(); }

 private:
  struct Client {
    bool greeted = false;
    bool subscribed = false;
  };
  std::string Handle(ClientId client, Client& state, const Request& request);
  std::string Hello(const Request& request, Client& state);
  std::optional<ProtocolError> KeyboardUnavailable() const;
  // The first of `controls` the user holds now, by name.
  std::optional<std::string> HeldByUser(const std::vector<std::string>& controls) const;
  // The colours become the session's and go to the keyboard; how many
  // colour frames they changed.
  std::size_t SendKeyColours(const KeyColourTable& colours);
  void OnSessionEvent(const SessionEvent& event);
  // To every subscriber but the client whose request caused it.
  void Tell(const std::string& line);

  KeyboardSession& session_;
  InterfaceClients& clients_out_;
  std::map<ClientId, Client> clients_;
  std::shared_ptr<KeyColourCoalescer> coalescer_ = std::make_shared<KeyColourCoalescer>();
  ClientId requesting_ = 0;       // the client whose request runs now (0 none)
  bool announceArrival_ = false;  // a keyboard arrived: told once its lighting is read
  LightingState lastSeen_;          // the lighting as the last event left it
  std::chrono::milliseconds userHold_{2000};
  std::map<std::string, std::chrono::steady_clock::time_point> userHeld_;  // control: until when
};
