#include "session/keyboard_session.h"

#include "lighting/lighting_transfers.h"

#include <filesystem>
#include <optional>
#include <utility>

KeyboardSession::KeyboardSession(SessionHost& host, std::u16string profilePath, ArrivalRead arrivalRead)
    : host_(host), profilePath_(std::move(profilePath)), arrivalRead_(arrivalRead) {
  NewDefaultProfile(working_);  // until a keyboard's or a file's comes
}

KeyboardSession::~KeyboardSession() { Stop(); }

void KeyboardSession::Connect(DeviceLink& link) {
  link_ = &link;
  transfers_ = std::make_unique<TransferThread>(link);
  link.SetChunkProgress([this](std::uint8_t code, std::size_t done, std::size_t total) {
    Post({SessionEvent::Kind::kChunkSent, static_cast<int>(done), static_cast<int>(total), code});
  });
  // An arrived keyboard's profile is read back into the profile file on the
  // transfer thread (an Apply it left unfinished is finished first); the
  // working profile is loaded from the file on the owner's thread.
  notices_ = std::make_unique<KeyboardNotices>(link, *transfers_, *this, [this, &link] { return ReadArrivedKeyboard(link); });
}

bool KeyboardSession::ReadArrivedKeyboard(DeviceLink& link) {
  keyboardChangedItself_ = false;
  mirror_ = {};  // an arrived keyboard may hold anything
  if (arrivalRead_ == ArrivalRead::kWholeProfile) link.CurrentProfile();  // the bank the window shows, asked first
  if (!FinishInterruptedApply(link, *this, profilePath_, &mirror_)) return false;
  switch (arrivalRead_) {
    case ArrivalRead::kNothing:
      return true;
    case ArrivalRead::kOnlyWithoutFile:
      if (WorkingProfile probe; LoadProfileFile(probe, profilePath_)) return true;
      break;
    case ArrivalRead::kWholeProfile:
      break;
  }
  // The profile file's folder may not be there yet (no program has run).
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(profilePath_).parent_path(), ignored);
  return ReadProfileFromKeyboard(link, profilePath_, &mirror_);
}

int KeyboardSession::StartLink() {
  if (!link_) return -1;
  const int count = link_->Start(notices_.get());
  if (count >= 0) notices_->OnDeviceCount(count);
  return count;
}

void KeyboardSession::Stop() {
  // The transfer under way is given up first, so that nothing waits for a
  // slow keyboard; then the threads that may still queue events end.
  if (transfers_) transfers_->Stop();
  if (notices_) notices_->Stop();
  if (link_) link_->Stop();
  stopped_ = true;
  std::lock_guard guard(queueMutex_);
  queue_.clear();
}

void KeyboardSession::FreeProfiles() {
  std::lock_guard guard(profileMutex_);
  FreeWorkingProfile(working_);
  FreeAppliedProfile(applied_);
  SetPending(false);
}

// ---- Events -----------------------------------------------------------------

void KeyboardSession::Queue(std::function<void()> step) {
  {
    std::lock_guard guard(queueMutex_);
    if (stopped_) return;
    queue_.push_back(std::move(step));
  }
  host_.Wake();
}

void KeyboardSession::DeliverEvents() {
  for (;;) {
    std::function<void()> step;
    {
      std::lock_guard guard(queueMutex_);
      if (queue_.empty()) return;
      step = std::move(queue_.front());
      queue_.pop_front();
      ++delivering_;
    }
    step();
    std::lock_guard guard(queueMutex_);
    --delivering_;
  }
}

void KeyboardSession::Raise(const SessionEvent& event) {
  // Copied: a subscriber's modal loop may deliver further events meanwhile.
  const std::vector<Listener> listeners = listeners_;
  for (const Listener& listener : listeners) listener(event);
}

bool KeyboardSession::Busy() const {
  if (transfers_ && transfers_->Busy()) return true;
  std::lock_guard guard(queueMutex_);
  return !queue_.empty() || delivering_ > 0;
}

// Other threads reach the owner only through the queue: a thread that waited
// for the owner could hold up a reply the owner itself waits for.
void KeyboardSession::ReadingKeyboard(bool reading) {
  Queue([this, reading] {
    reading_ = reading;
    Raise({SessionEvent::Kind::kReading, reading});
  });
}

void KeyboardSession::DeviceReady(bool readBack) {
  Queue([this, readBack] { OnDeviceReady(readBack); });
}

void KeyboardSession::DeviceGone() {
  Queue([this] {
    reading_ = false;
    if (notices_) notices_->TakeReadBack();
    Raise({SessionEvent::Kind::kKeyboardLeft});
  });
}

void KeyboardSession::ShowLayer() { Post({SessionEvent::Kind::kLayerChanged}); }

void KeyboardSession::RefreshLightingSoon() {
  keyboardChangedItself_ = true;
  // A burst of the keyboard's own changes is one read: none is queued while one waits.
  if (lightingReadWaits_->exchange(true)) return;
  Queue([this] {
    if (followLighting_ && ReadLighting(false)) return;
    *lightingReadWaits_ = false;
  });
}

KeyboardMirror* KeyboardSession::Mirror() {
  if (keyboardChangedItself_.exchange(false)) mirror_ = {};
  return &mirror_;
}

void KeyboardSession::SetTrayState(int kind, int iconId) { Post({SessionEvent::Kind::kTrayState, kind, iconId}); }

void KeyboardSession::ShowDeviceMessage(TextKey key) { Post({SessionEvent::Kind::kTell, static_cast<int>(key)}); }

void KeyboardSession::OnDeviceReady(bool readBack) {
  reading_ = false;
  if (notices_) notices_->TakeReadBack();
  // The profile file is loaded whether the keyboard was read back into it or
  // not (then it is the file as it was, so that a keyboard that could not be
  // read never costs the user the profile); a default profile when it does
  // not load, which is never applied.
  {
    std::lock_guard guard(profileMutex_);
    FreeWorkingProfile(working_);
    profileKnown_ = LoadProfileFile(working_, ProfilePath());
    if (!profileKnown_) {
      FreeWorkingProfile(working_);
      NewDefaultProfile(working_);
    }
  }
  // A keyboard that could not be read may not hold what the file does:
  // changes that were pending stay pending.
  if (readBack) SetPending(false);
  Raise({SessionEvent::Kind::kKeyboardArrived, readBack});
  if (followLighting_) ReadLighting(true);  // after the profile, which the user waits for
  if (!readBack) Raise({SessionEvent::Kind::kTell, static_cast<int>(TextKey::MAIN_READ_BACK_FAILED_PROMPT)});
}

// ---- The profile ------------------------------------------------------------

void KeyboardSession::SetPending(bool pending) {
  if (pending) ++pendingVersion_;
  const bool changed = pending != pending_;
  pending_ = pending;
  if (changed || pending) Raise({SessionEvent::Kind::kPendingChanged, pending});
}

bool KeyboardSession::Edit(const std::function<bool(WorkingProfile&)>& edit) {
  bool changed;
  {
    std::lock_guard guard(profileMutex_);
    changed = edit(working_);
  }
  if (!changed) return false;
  Raise({SessionEvent::Kind::kKeysChanged});
  SetPending(true);
  return true;
}

FileWrite KeyboardSession::ExportProfile(const std::u16string& path) {
  std::lock_guard guard(profileMutex_);
  return ExportProfileFile(working_, path);
}

void KeyboardSession::DropEdits() {
  SetPending(false);
  if (CurrentProfile() < 0) return;
  {
    std::lock_guard guard(profileMutex_);
    FreeWorkingProfile(working_);
    if (!LoadProfileFile(working_, ProfilePath())) NewDefaultProfile(working_);
  }
  Raise({SessionEvent::Kind::kProfileLoaded});
}

// ---- Jobs -------------------------------------------------------------------

JobStart KeyboardSession::CheckCanChange() const {
  if (!transfers_ || transfers_->Stopping()) return JobStart::kNoKeyboard;
  if (notices_->ReadBackUnderWay()) return JobStart::kReadingBack;
  return JobStart::kQueued;
}

JobStart KeyboardSession::Apply(std::function<void(const ApplyOutcome&)> done, ApplyScope scope) {
  if (!pending_) return JobStart::kNothingToDo;
  if (const JobStart start = CheckCanChange(); start != JobStart::kQueued) return start;
  if (!profileKnown_) return JobStart::kProfileUnknown;
  DeviceLink& link = *link_;
  const std::u16string path = ProfilePath();
  const unsigned version = pendingVersion_;
  const bool queued = notices_->PostUnlessReadingBack([this, &link, path, version, scope, done = std::move(done)] {
    // Saved first, whatever the keyboard does; the download runs from the
    // applied copy, the lock given back, so that the owner never waits for
    // the keyboard.
    ApplyOutcome outcome;
    {
      std::lock_guard guard(profileMutex_);
      outcome.saved = SaveProfileFile(working_, path);
    }
    const int keyMap = scope.keyMap == kCurrentKeyMap ? link.CurrentProfile() : scope.keyMap;
    if (keyMap < 0) {
      outcome.download = DeviceResult::kAbsent;  // the keyboard did not answer
    } else if (!IsKeyboardProfile(keyMap) && keyMap != kAllKeyMaps) {
      outcome.download = DeviceResult::kBadProfile;
    } else {
      bool copied;
      {
        std::lock_guard guard(profileMutex_);
        copied = CopyToAppliedProfile(working_, applied_);
      }
      outcome.download = copied ? DownloadAppliedProfile(link, *this, applied_, keyMap, path, scope.withMacros, Mirror())
                                : DeviceResult::kWriteFailed;
    }
    Queue([this, outcome, version, done] {
      // An edit made while the Apply ran is not in the keyboard yet: it stays pending.
      if (outcome.Applied() && version == pendingVersion_) SetPending(false);
      done(outcome);
    });
  });
  return queued ? JobStart::kQueued : JobStart::kReadingBack;
}

JobStart KeyboardSession::Import(WorkingProfile imported, std::function<void(bool sent)> done) {
  // One copy goes to the transfer thread, which alone writes the profile file
  // while a keyboard is there; the other becomes the working profile.
  auto sent = std::make_shared<WorkingProfile>();
  if (!CopyWorkingProfile(imported, *sent)) return JobStart::kNothingToDo;
  const std::u16string path = ProfilePath();
  const bool withKeyboard = transfers_ && !transfers_->Stopping();
  if (!withKeyboard) {
    SaveProfileFile(*sent, path);  // no keyboard: the file is still the profile's (only one that exists)
  } else {
    DeviceLink& link = *link_;
    const unsigned version = pendingVersion_ + 1;  // the edit this import is
    const bool queued = notices_->PostUnlessReadingBack([this, &link, sent, path, version, done = std::move(done)] {
      SaveProfileFile(*sent, path);
      const bool taken = ApplyImportedProfile(link, *this, *sent, applied_, path, Mirror());
      Queue([this, taken, version, done] {
        if (taken && version == pendingVersion_) SetPending(false);
        done(taken);
      });
    });
    if (!queued) return JobStart::kReadingBack;
  }
  profileKnown_ = true;  // the imported profile is the user's now
  {
    std::lock_guard guard(profileMutex_);
    ReplaceWorkingProfile(working_, imported);
  }
  Raise({SessionEvent::Kind::kProfileLoaded});
  // Pending until the keyboard holds it: a download that fails leaves Apply to send it again.
  SetPending(true);
  return withKeyboard ? JobStart::kQueued : JobStart::kNoKeyboard;
}

JobStart KeyboardSession::SwitchProfile(int index) { return QueueSwitch(index, false); }

JobStart KeyboardSession::SwitchProfileAndReadBack(int index) { return QueueSwitch(index, true); }

JobStart KeyboardSession::QueueSwitch(int index, bool readBack) {
  if (index >= kKeyboardProfileCount) index = 0;
  if (!transfers_ || !link_) return JobStart::kNoKeyboard;
  DeviceLink& link = *link_;
  const bool queued = transfers_->Post([this, &link, index, readBack] {
    if (index >= 0) link.SetCurrentProfile(index);
    Post({SessionEvent::Kind::kProfileSwitched, index});
    // Edits not applied are dropped by the read-back, and edits an Apply did
    // not bring to the keyboard show as pending until it has been read.
    if (readBack) notices_->ReadAgain();
  });
  return queued ? JobStart::kQueued : JobStart::kNoKeyboard;
}

bool KeyboardSession::Transfer(std::function<void(DeviceLink&)> job, std::function<void()> done) {
  if (!transfers_ || !link_) return false;
  DeviceLink& link = *link_;
  return transfers_->Post([this, &link, job = std::move(job), done = std::move(done)] {
    job(link);
    if (done) Queue(done);
  });
}

bool KeyboardSession::LendThenReadAgain(std::function<void()> lend) {
  if (!notices_) return false;
  TransferThread& transfers = *transfers_;
  return notices_->LendThenReadAgain([this, &transfers, lend = std::move(lend)] {
    lend();
    if (!transfers.Stopping()) RefreshLightingSoon();  // the command may have changed it
  });
}

// ---- The lighting -----------------------------------------------------------

bool KeyboardSession::ChangeLighting(LightingSource source, const std::function<LightingWrites(LightingState&)>& change,
                                     bool readAfter, std::function<void()> written) {
  const LightingState before = lighting_;
  LightingWrites writes = change(lighting_);
  Raise({SessionEvent::Kind::kLightingChanged, static_cast<int>(source)});
  if (writes.empty() && !readAfter) return false;
  // The transfer thread fills it in; the owner's thread takes it once the job has run.
  auto held = std::make_shared<std::optional<LightingState>>();
  return Transfer(
      [writes = std::move(writes), before, after = lighting_, readAfter, held](DeviceLink& keyboard) {
        *held = WriteChange(keyboard, writes, before, after, readAfter);
      },
      [this, held, after = lighting_, written = std::move(written)] {
        if (*held) TakeReadLighting(after, **held);
        if (written) written();
      });
}

bool KeyboardSession::ReadLighting(bool withKeyColours) {
  auto held = std::make_shared<LightingState>(lighting_);
  return Transfer(
      [held, withKeyColours, waits = lightingReadWaits_](DeviceLink& keyboard) {
        *waits = false;  // a change the keyboard reports from now on is read again
        ::ReadLighting(keyboard, withKeyColours, *held);
      },
      [this, held, shownAtStart = lighting_] { TakeReadLighting(shownAtStart, *held); });
}

void KeyboardSession::TakeReadLighting(const LightingState& shownAtStart, const LightingState& read) {
  lighting_ = ::TakeReadLighting(shownAtStart, read, lighting_);
  Raise({SessionEvent::Kind::kLightingChanged, static_cast<int>(LightingSource::kKeyboard)});
}
