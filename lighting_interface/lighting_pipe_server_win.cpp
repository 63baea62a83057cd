#include "lighting_interface/lighting_pipe_server_win.h"

#include <sddl.h>

#include <memory>
#include <vector>

namespace {

constexpr DWORD kPipeBufferBytes = 64 * 1024;
constexpr DWORD kReadBytes = 16 * 1024;
constexpr int kMaxLinesWaiting = 64;  // a client's lines queued for the owner before its reads pause

// The string form of the process token's logon SID, else of its user.
std::wstring SessionSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  std::wstring text;
  const auto sidText = [&](PSID sid) {
    LPWSTR string = nullptr;
    if (ConvertSidToStringSidW(sid, &string)) {
      text = string;
      LocalFree(string);
    }
  };
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  std::vector<std::uint8_t> groups(size);
  if (size && GetTokenInformation(token, TokenGroups, groups.data(), size, &size)) {
    const auto* list = reinterpret_cast<const TOKEN_GROUPS*>(groups.data());
    for (DWORD i = 0; i < list->GroupCount && text.empty(); ++i)
      if ((list->Groups[i].Attributes & SE_GROUP_LOGON_ID) == SE_GROUP_LOGON_ID) sidText(list->Groups[i].Sid);
  }
  if (text.empty()) {
    size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> user(size);
    if (size && GetTokenInformation(token, TokenUser, user.data(), size, &size))
      sidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
  }
  CloseHandle(token);
  return text;
}

HANDLE MakeInstance(const std::wstring& name, bool first) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(LightingPipeSddl().c_str(), SDDL_REVISION_1, &descriptor,
                                                            nullptr))
    return INVALID_HANDLE_VALUE;
  attributes.lpSecurityDescriptor = descriptor;
  const HANDLE pipe = CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, PIPE_UNLIMITED_INSTANCES,
      kPipeBufferBytes, kPipeBufferBytes, 0, &attributes);
  LocalFree(descriptor);
  return pipe;
}

// Begins waiting for a client on `pipe`; the event is set when one came.
// True when one came before the wait began: then no operation is under way.
bool BeginConnect(HANDLE pipe, OVERLAPPED& overlapped) {
  ResetEvent(overlapped.hEvent);
  if (ConnectNamedPipe(pipe, &overlapped) || GetLastError() != ERROR_PIPE_CONNECTED) return false;
  SetEvent(overlapped.hEvent);
  return true;
}

}  // namespace

std::wstring LightingPipeSddl() {
  // Protected (no inherited entries): network logons denied, the session allowed.
  return L"D:P(D;;GA;;;NU)(A;;GA;;;" + SessionSid() + L")";
}

// One connected client: its pipe, its read and its write.
struct LightingPipeServer::PipeClient {
  ClientId id = 0;
  HANDLE pipe = INVALID_HANDLE_VALUE;
  OVERLAPPED read{};
  OVERLAPPED write{};
  bool reading = false;
  bool writing = false;
  std::string written;  // the bytes of the write under way, kept until it ends
  char buffer[kReadBytes];
  LineSplitter splitter;

  PipeClient() {
    read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~PipeClient() {
    if (pipe != INVALID_HANDLE_VALUE) {
      CancelIo(pipe);
      // The cancelled operations end before their buffers go.
      DWORD ignored;
      if (reading) GetOverlappedResult(pipe, &read, &ignored, TRUE);
      if (writing) GetOverlappedResult(pipe, &write, &ignored, TRUE);
      DisconnectNamedPipe(pipe);
      CloseHandle(pipe);
    }
    CloseHandle(read.hEvent);
    CloseHandle(write.hEvent);
  }
};

LightingPipeServer::LightingPipeServer(std::function<void()> wake, std::wstring name)
    : wake_(std::move(wake)), name_(std::move(name)) {}

LightingPipeServer::~LightingPipeServer() { Stop(); }

bool LightingPipeServer::Start() {
  if (thread_.joinable()) return true;
  const HANDLE listening = MakeInstance(name_, true);
  if (listening == INVALID_HANDLE_VALUE) return false;
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  outgoing_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  thread_ = std::thread([this, listening] { Run(listening); });
  return true;
}

void LightingPipeServer::Stop() {
  if (!thread_.joinable()) return;
  SetEvent(stop_);
  thread_.join();
  CloseHandle(stop_);
  CloseHandle(outgoing_);
  stop_ = outgoing_ = nullptr;
}

void LightingPipeServer::Send(ClientId client, std::string line) {
  std::lock_guard guard(mutex_);
  const auto found = outboxes_.find(client);
  if (found == outboxes_.end() || found->second.drop) return;
  Outbox& outbox = found->second;
  if (outbox.bytes.size() + line.size() > kMaxQueuedBytes) {
    outbox.drop = true;  // it stopped reading: dropped, never waited for
    outbox.bytes.clear();
  } else {
    outbox.bytes += line;
  }
  SetEvent(outgoing_);
}

void LightingPipeServer::Deliver(LightingInterface& to) {
  for (;;) {
    Arrival arrival;
    {
      std::lock_guard guard(mutex_);
      if (arrivals_.empty()) break;
      arrival = std::move(arrivals_.front());
      arrivals_.pop_front();
      if (arrival.kind == Arrival::Kind::kLine)
        if (const auto found = outboxes_.find(arrival.client); found != outboxes_.end()) --found->second.linesWaiting;
    }
    switch (arrival.kind) {
      case Arrival::Kind::kConnected: to.Connected(arrival.client); break;
      case Arrival::Kind::kLine: to.Received(arrival.client, arrival.line); break;
      case Arrival::Kind::kGone: to.Disconnected(arrival.client); break;
    }
  }
  if (outgoing_) SetEvent(outgoing_);  // paused reads may go on, replies out
}

void LightingPipeServer::Arrive(Arrival arrival) {
  {
    std::lock_guard guard(mutex_);
    if (arrival.kind == Arrival::Kind::kLine) ++outboxes_[arrival.client].linesWaiting;
    arrivals_.push_back(std::move(arrival));
  }
  wake_();
}

void LightingPipeServer::Run(HANDLE listening) {
  std::map<ClientId, std::unique_ptr<PipeClient>> clients;
  ClientId nextId = 1;
  OVERLAPPED connect{};
  connect.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool connectedEarly = listening != INVALID_HANDLE_VALUE && BeginConnect(listening, connect);

  const auto drop = [&](ClientId id) {
    clients.erase(id);
    {
      std::lock_guard guard(mutex_);
      outboxes_.erase(id);
    }
    connected_ = clients.size();
    Arrive({Arrival::Kind::kGone, id, {}});
  };

  for (;;) {
    std::vector<HANDLE> waits{stop_, outgoing_};
    if (listening != INVALID_HANDLE_VALUE) waits.push_back(connect.hEvent);
    for (const auto& [id, client] : clients) {
      if (client->reading) waits.push_back(client->read.hEvent);
      if (client->writing) waits.push_back(client->write.hEvent);
    }
    if (WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE) == WAIT_OBJECT_0) break;

    // A client came: it gets its own instance, and the next one waits.
    DWORD bytes = 0;
    if (listening != INVALID_HANDLE_VALUE && WaitForSingleObject(connect.hEvent, 0) == WAIT_OBJECT_0) {
      if (connectedEarly || GetOverlappedResult(listening, &connect, &bytes, FALSE)) {
        auto client = std::make_unique<PipeClient>();
        client->id = nextId++;
        client->pipe = listening;
        {
          std::lock_guard guard(mutex_);
          outboxes_[client->id] = {};
        }
        Arrive({Arrival::Kind::kConnected, client->id, {}});
        clients[client->id] = std::move(client);
        connected_ = clients.size();
      } else {
        DisconnectNamedPipe(listening);
        CloseHandle(listening);
      }
      listening = INVALID_HANDLE_VALUE;
    }
    if (listening == INVALID_HANDLE_VALUE && clients.size() < kMaxClients) {
      listening = MakeInstance(name_, false);
      connectedEarly = listening != INVALID_HANDLE_VALUE && BeginConnect(listening, connect);
    }

    std::vector<ClientId> gone;
    for (auto& [id, client] : clients) {
      PipeClient& c = *client;
      // What the client sent: whole lines to the owner.
      if (c.reading && WaitForSingleObject(c.read.hEvent, 0) == WAIT_OBJECT_0) {
        c.reading = false;
        if (!GetOverlappedResult(c.pipe, &c.read, &bytes, FALSE) && GetLastError() != ERROR_MORE_DATA) {
          gone.push_back(id);
          continue;
        }
        for (ReceivedLine& line : SplitLines(c.splitter, std::string_view(c.buffer, bytes)))
          Arrive({Arrival::Kind::kLine, id, std::move(line)});
      }
      if (c.writing && WaitForSingleObject(c.write.hEvent, 0) == WAIT_OBJECT_0) {
        c.writing = false;
        if (!GetOverlappedResult(c.pipe, &c.write, &bytes, FALSE)) {
          gone.push_back(id);
          continue;
        }
        c.written.clear();
      }
      bool dropped = false;
      int linesWaiting = 0;
      {
        std::lock_guard guard(mutex_);
        Outbox& outbox = outboxes_[id];
        dropped = outbox.drop;
        linesWaiting = outbox.linesWaiting;
        if (!c.writing && !dropped && c.written.empty()) c.written.swap(outbox.bytes);
      }
      if (dropped) {
        gone.push_back(id);
        continue;
      }
      if (!c.writing && !c.written.empty()) {
        ResetEvent(c.write.hEvent);
        if (!WriteFile(c.pipe, c.written.data(), static_cast<DWORD>(c.written.size()), nullptr, &c.write) &&
            GetLastError() != ERROR_IO_PENDING) {
          gone.push_back(id);
          continue;
        }
        c.writing = true;  // `written` stays until the write has ended
      }
      if (!c.reading && linesWaiting < kMaxLinesWaiting) {
        ResetEvent(c.read.hEvent);
        if (!ReadFile(c.pipe, c.buffer, sizeof c.buffer, nullptr, &c.read) && GetLastError() != ERROR_IO_PENDING) {
          gone.push_back(id);
          continue;
        }
        c.reading = true;
      }
    }
    for (const ClientId id : gone) drop(id);
  }

  for (auto& [id, client] : clients) client.reset();
  clients.clear();
  if (listening != INVALID_HANDLE_VALUE) {
    CancelIo(listening);
    CloseHandle(listening);
  }
  CloseHandle(connect.hEvent);
  std::lock_guard guard(mutex_);
  outboxes_.clear();
  connected_ = 0;
}
