#include "lighting_interface/lighting_interface.h"

#include "lighting/lighting_transfers.h"

namespace {

const char* SourceName(int source) {
  switch (static_cast<LightingSource>(source)) {
    case LightingSource::kKeyboard: return "keyboard";
    case LightingSource::kWindow: return "window";
    case LightingSource::kClient: return "client";
  }
  return "keyboard";
}

// One batch of key colours, then the next while more changed: each its own
// job, so that the window's transfers take their turns between them.
void SendKeyColourBatches(KeyboardSession& session, std::shared_ptr<KeyColourCoalescer> coalescer) {
  const bool queued = session.Transfer([&session, coalescer](DeviceLink& link) {
    const bool written = WriteLighting(link, coalescer->TakeBatch()) == DeviceResult::kOk;
    if (coalescer->BatchEnded(written)) SendKeyColourBatches(session, coalescer);
  });
  if (!queued) coalescer->BatchEnded(false);
}

}  // namespace

LightingInterface::LightingInterface(KeyboardSession& session, InterfaceClients& clients)
    : session_(session), clients_out_(clients) {
  session_.Subscribe([this](const SessionEvent& event) { OnSessionEvent(event); });
}

void LightingInterface::Connected(ClientId client) { clients_[client] = {}; }

void LightingInterface::Disconnected(ClientId client) { clients_.erase(client); }

void LightingInterface::Received(ClientId client, const ReceivedLine& line) {
  const auto found = clients_.find(client);
  if (found == clients_.end()) return;
  if (line.tooLarge) {
    clients_out_.Send(client, ErrorLine(nullptr, {ErrorCode::kTooLarge, "a message is at most 65536 bytes"}));
    return;
  }
  ParsedLine parsed = ParseRequestLine(line.text);
  if (const auto* error = std::get_if<ProtocolError>(&parsed.parsed)) {
    clients_out_.Send(client, ErrorLine(parsed.id, *error));
    return;
  }
  requesting_ = client;
  std::string reply = Handle(client, found->second, std::get<Request>(parsed.parsed));
  requesting_ = 0;
  clients_out_.Send(client, std::move(reply));
}

std::string LightingInterface::Handle(ClientId client, Client& state, const Request& request) {
  if (request.name == "hello") return Hello(request, state);
  if (!state.greeted) return ErrorLine(request.id, {ErrorCode::kHelloFirst, "hello comes first"});
  if (request.name == "subscribe" || request.name == "unsubscribe") {
    state.subscribed = request.name == "subscribe";
    return ReplyLine(request.id, Json::object());
  }
  const bool known = request.name == "get" || request.name == "set" || request.name == "set_keys" ||
                     request.name == "set_all";
  if (!known) return ErrorLine(request.id, {ErrorCode::kUnknownRequest, "no request is named \"" + request.name + "\""});
  if (const std::optional<ProtocolError> unavailable = KeyboardUnavailable()) return ErrorLine(request.id, *unavailable);

  if (request.name == "get") return ReplyLine(request.id, {{"lighting", LightingJson(session_.Lighting())}});
  if (request.name == "set") {
    auto change = ReadSettingsChange(request.message, session_.Lighting());
    if (const auto* error = std::get_if<ProtocolError>(&change)) return ErrorLine(request.id, *error);
    if (const auto held = HeldByUser(ControlsOf(std::get<SettingsChange>(change))))
      return ErrorLine(request.id, {ErrorCode::kBusy, "the user is changing " + *held + " in the window"});
    session_.ChangeLighting(LightingSource::kClient, [&](LightingState& lighting) {
      return MakeSettingsChange(lighting, std::get<SettingsChange>(change));
    });
    return ReplyLine(request.id, Json::object());
  }
  auto colours = ReadKeyColours(request.message, session_.Lighting().keyColours);
  if (const auto* error = std::get_if<ProtocolError>(&colours)) return ErrorLine(request.id, *error);
  if (HeldByUser({"keys"})) return ErrorLine(request.id, {ErrorCode::kBusy, "the user is painting keys in the window"});
  const std::size_t changed = SendKeyColours(std::get<KeyColourTable>(colours));
  return ReplyLine(request.id, {{"changedFrames", changed}});
}

std::string LightingInterface::Hello(const Request& request, Client& state) {
  if (const auto major = request.message.find("major"); major != request.message.end()) {
    if (!major->is_number_integer() || major->get<long long>() != kProtocolMajor)
      return ErrorLine(request.id, {ErrorCode::kBadValue, "major: this server speaks major version " +
                                                              std::to_string(kProtocolMajor)});
  }
  state.greeted = true;
  const bool present = session_.KeyboardPresent();
  return ReplyLine(request.id, {{"protocol", {{"major", kProtocolMajor}, {"minor", kProtocolMinor},
                                              {"majors", Json::array({kProtocolMajor})}}},
                                {"keyboard", present ? CapabilitiesJson(session_.Lighting()) : Json()}});
}

std::optional<ProtocolError> LightingInterface::KeyboardUnavailable() const {
  if (!session_.KeyboardPresent()) return ProtocolError{ErrorCode::kNoKeyboard, "no keyboard is attached"};
  if (session_.ReadBackUnderWay())
    return ProtocolError{ErrorCode::kBusy, "the keyboard is being read or is lent to a console command"};
  return std::nullopt;
}

std::optional<std::string> LightingInterface::HeldByUser(const std::vector<std::string>& controls) const {
  const auto now = std::chrono::steady_clock::now();
  for (const std::string& control : controls)
    if (const auto found = userHeld_.find(control); found != userHeld_.end() && now < found->second) return control;
  return std::nullopt;
}

std::size_t LightingInterface::SendKeyColours(const KeyColourTable& colours) {
  const KeyColourCoalescer::Chunks changed = ChangedChunks(session_.Lighting().keyColours, colours);
  session_.ChangeLighting(LightingSource::kClient, [&](LightingState& lighting) {
    lighting.keyColours = colours;
    return LightingWrites{};  // the coalescer sends them
  });
  if (coalescer_->Offer(colours, changed)) SendKeyColourBatches(session_, coalescer_);
  return changed.count();
}

void LightingInterface::OnSessionEvent(const SessionEvent& event) {
  switch (event.kind) {
    case SessionEvent::Kind::kKeyboardArrived:
      announceArrival_ = true;  // once its lighting is known
      break;
    case SessionEvent::Kind::kKeyboardLeft:
      announceArrival_ = false;
      Tell(EventLine("keyboard", {{"present", false}}));
      break;
    case SessionEvent::Kind::kLightingChanged:
      if (event.value == static_cast<int>(LightingSource::kWindow)) {
        // The user's own change wins: the controls it touched are the user's for a while.
        const auto until = std::chrono::steady_clock::now() + userHold_;
        for (const std::string& control : ChangedControls(lastSeen_, session_.Lighting())) userHeld_[control] = until;
      }
      lastSeen_ = session_.Lighting();
      if (announceArrival_ && event.value == static_cast<int>(LightingSource::kKeyboard)) {
        announceArrival_ = false;
        Tell(EventLine("keyboard", {{"present", true}, {"keyboard", CapabilitiesJson(session_.Lighting())}}));
      }
      Tell(EventLine("lighting", {{"source", SourceName(event.value)}, {"lighting", LightingJson(session_.Lighting())}}));
      break;
    default:
      break;
  }
}

void LightingInterface::Tell(const std::string& line) {
  for (const auto& [client, state] : clients_)
    if (state.subscribed && client != requesting_) clients_out_.Send(client, line);
}
