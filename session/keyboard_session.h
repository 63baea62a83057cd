// The keyboard session: the one owner of the keyboard and of the profile that
// mirrors it. It holds the working profile (what the editors change) and the
// applied one (what was last sent), the pending changes, the device link, the
// transfer thread, the notices and the lending to a console command, and runs
// the jobs that reach the keyboard: reading it back, Apply, Import, switching
// profiles, the lighting's writes.
//
// Whoever drives it (the main window) is its owner: it calls the session on
// one thread, and hears of what changed on that thread too. The session's
// other threads never call the owner: they queue events and wake it
// (SessionHost::Wake), and the owner delivers them (DeliverEvents) to the
// subscribers, in the order they happened.
//
// The working profile is reached only through Read and Edit, under the
// session's lock; nothing holds that lock while it waits for the keyboard or
// the user.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "device/transfer_thread.h"
#include "lighting/lighting_changes.h"
#include "profiles/profile_keyboard.h"
#include "profiles/profile_store.h"
#include "session/keyboard_notices.h"

// What changed, told on the owner's thread.
struct SessionEvent {
  enum class Kind {
    kReading,          // a keyboard is being read (value 1), or that was given up (0)
    kKeyboardArrived,  // its profile is loaded; value 1 when it was read back from the keyboard
    kKeyboardLeft,
    kProfileLoaded,    // the working profile was replaced whole (an import, dropped edits)
    kKeysChanged,      // an edit changed the working profile's keys
    kPendingChanged,   // Pending() changed
    kLayerChanged,     // the keyboard's G-key layer
    kLightingChanged,  // Lighting() changed; value its LightingSource
    kProfileSwitched,  // the keyboard's current profile; value its index (-1 unknown)
    kTrayState,        // value the kind, detail the icon id (see NoticeListener::SetTrayState)
    kTell,             // value the TextKey of a message for the user
    kChunkSent,        // a chunked transfer's progress: value the chunks done, detail of how many, code its command
  };
  Kind kind;
  int value = 0;
  int detail = 0;
  int code = 0;
};

// Who changed the lighting, told with kLightingChanged.
enum class LightingSource {
  kKeyboard,  // read from the keyboard: at its arrival, after its own change, after a refused write
  kWindow,    // the user, in the window
  kClient,    // another program, through the lighting interface
};

// What the session asks of its owner. Any thread.
class SessionHost {
 public:
  virtual ~SessionHost() = default;
  // Events are waiting: DeliverEvents soon, on the owner's thread. Never waits.
  virtual void Wake() = 0;
};

// Why a job did not start.
enum class JobStart {
  kQueued,          // it runs on the transfer thread; its outcome comes as told
  kNothingToDo,     // no pending changes
  kNoKeyboard,      // no device link, or the session is stopping
  kReadingBack,     // a read-back is under way (or the keyboard is lent): try again in a moment
  kProfileUnknown,  // the working profile is a default made up for want of a keyboard's or a file's
};

// What the session reads of a keyboard that arrives, once an Apply it left
// unfinished is finished.
enum class ArrivalRead {
  kWholeProfile,    // its three profiles and macros, into the profile file (the window)
  kOnlyWithoutFile, // the same, only when the profile file is missing or does not load
  kNothing,         // nothing: the profile file stays as it is
};

// What an Apply sends: the keyboard's current key map (the window's Apply),
// one key map (0 to 2) or all three (kAllKeyMaps); the macro image along
// unless only keys changed.
inline constexpr int kCurrentKeyMap = -1;
struct ApplyScope {
  int keyMap = kCurrentKeyMap;
  bool withMacros = true;
};

class KeyboardSession : public NoticeListener {
 public:
  using Listener = std::function<void(const SessionEvent&)>;

  // `profilePath` is the profile file, which holds all of the keyboard's profiles.
  KeyboardSession(SessionHost& host, std::u16string profilePath, ArrivalRead arrivalRead = ArrivalRead::kWholeProfile);
  ~KeyboardSession() override;
  KeyboardSession(const KeyboardSession&) = delete;
  KeyboardSession& operator=(const KeyboardSession&) = delete;

  // Takes the keyboard's link and starts the transfer thread and the notices.
  // Without it the session holds the profile alone (no keyboard ever comes).
  void Connect(DeviceLink& link);
  // Places the link's standing requests and begins the attach work with the
  // keyboard count found. -1 when the device service refused them: call it
  // again later (nothing arrives meanwhile).
  int StartLink();
  // The owner has started up: keyboards are told of from now on.
  void OwnerReady() { ownerReady_ = true; }
  // Gives up the transfer under way and ends the session's threads; no event
  // is queued afterwards. The profile stays until FreeProfiles.
  void Stop();
  void FreeProfiles();

  // ---- Events ----
  void Subscribe(Listener listener) { listeners_.push_back(std::move(listener)); }
  // Runs what other threads queued: the session's own part first (an arrived
  // keyboard's profile is loaded), then the subscribers. Re-entrant: a
  // subscriber that runs a modal loop may see later events delivered inside it.
  void DeliverEvents();

  // ---- The keyboard ----
  DeviceLink* Link() const { return link_; }
  // The keyboard's current profile as last seen (-1 unknown); the bank the
  // editors and the grid show.
  int CurrentProfile() const { return link_ ? link_->CachedProfile() : kUnknownProfile; }
  int Layer() const { return link_ ? link_->Layer() : 0; }
  // Whether a job runs or waits, or events wait to be delivered.
  bool Busy() const;
  bool ReadingKeyboard() const { return reading_; }
  // A keyboard is attached and has been told of.
  bool KeyboardPresent() const { return notices_ && notices_->LastDeviceCount() > 0; }
  // A read-back is under way: nothing that changes the profile may start.
  bool ReadBackUnderWay() const { return notices_ && notices_->ReadBackUnderWay(); }
  unsigned KeyboardCountsNoticed() const { return notices_ ? notices_->CountsNoticed() : 0; }
  bool Stopping() const { return !transfers_ || transfers_->Stopping(); }

  // ---- The profile ----
  // Calls `read` with the working profile under the session's lock.
  template <class Reader>
  decltype(auto) Read(Reader&& read) const {
    std::lock_guard guard(profileMutex_);
    return read(static_cast<const WorkingProfile&>(working_));
  }
  // Calls `edit` with the working profile under the session's lock; when it
  // returns true, the changes are pending (subscribers hear of the keys and
  // of the pending changes).
  bool Edit(const std::function<bool(WorkingProfile&)>& edit);
  bool Pending() const { return pending_; }
  // The changes are pending, or not, as the caller says (the Apply, Import
  // and the read-back decide it themselves).
  void SetPending(bool pending);
  // False while the working profile is a default made up because the keyboard
  // could not be read and no profile file loaded: it is never applied.
  bool ProfileKnown() const { return profileKnown_; }
  // The profile file.
  const std::u16string& ProfilePath() const { return profilePath_; }
  // The working profile written to `path`, with the profile file's durable
  // write; how it ended, for the user to be told.
  FileWrite ExportProfile(const std::u16string& path);
  // The pending edits dropped: the profile again from the profile file (while
  // the keyboard's profile is known), nothing pending.
  void DropEdits();

  // ---- Jobs ----
  // The Apply: the working profile saved to its file and the key map of
  // `scope` downloaded (even when the file could not be saved: the keyboard
  // then keeps the changes, and a read-back brings them to the file). `done`
  // hears how it ended, on the owner's thread, after the pending changes
  // ended (when it was applied and nothing was edited since).
  JobStart Apply(std::function<void(const ApplyOutcome&)> done, ApplyScope scope = {});
  // Import: `imported` (loaded whole by the caller) becomes the working
  // profile and the profile file, and all three key maps go to the keyboard;
  // pending until the keyboard confirmed them. `done` hears whether it did.
  // Without a keyboard only the file is written (kNoKeyboard; the import
  // took place all the same).
  JobStart Import(WorkingProfile imported, std::function<void(bool sent)> done);
  // Makes `index` the keyboard's current profile (3 and more mean 0; a
  // negative index changes nothing on the keyboard), queued behind the jobs
  // before it.
  JobStart SwitchProfile(int index);
  // The same, then the keyboard is read back as when it arrives.
  JobStart SwitchProfileAndReadBack(int index);
  // Any other traffic (the lighting's reads and writes), on the transfer
  // thread; `done`, when given, runs on the owner's thread once the job has
  // run. False when the transfer thread takes no more jobs.
  bool Transfer(std::function<void(DeviceLink&)> job, std::function<void()> done = {});
  // The keyboard lent to a console command: `lend` runs on the transfer thread
  // behind what is queued and returns when the command has ended; the keyboard
  // is then read back. False when the transfer thread takes no more jobs.
  bool LendThenReadAgain(std::function<void()> lend);

  // ---- The lighting ----
  // One lighting state for every front: what the keyboard shows, as far as
  // the session knows. With FollowLighting (the window asks for it; a console
  // command reads what it needs itself) it is read when a keyboard arrives,
  // with its key colours, and again when the keyboard reports its own change
  // or comes back from a console command. Owner's thread.
  void FollowLighting() { followLighting_ = true; }
  const LightingState& Lighting() const { return lighting_; }
  // A change of the lighting by `source`: `change` edits the state and returns
  // the writes that carry it to the keyboard. Subscribers hear of it at once;
  // the writes go in one bracket on the transfer thread. When the keyboard did
  // not take them, or `readAfter` asks, what it holds is read and taken
  // (picks made meanwhile stay). `written`, when given, runs on the owner's
  // thread once the writes ended. False when nothing was queued (no writes,
  // no keyboard): then `written` never runs.
  bool ChangeLighting(LightingSource source, const std::function<LightingWrites(LightingState&)>& change,
                      bool readAfter = false, std::function<void()> written = {});
  // Reads the keyboard's lighting (the key colours too with `withKeyColours`)
  // and takes it; a pick made while the read was under way stays.
  bool ReadLighting(bool withKeyColours);

 private:
  // NoticeListener and DeviceMessages, for the session's own threads: each
  // queues an event. Only the notices and the transfers call them.
  void ReadingKeyboard(bool reading) override;
  void DeviceReady(bool readBack) override;
  void DeviceGone() override;
  bool InitDone() const override { return ownerReady_; }
  void ShowLayer() override;
  void RefreshLightingSoon() override;
  void SetTrayState(int kind, int iconId) override;
  void ShowDeviceMessage(TextKey key) override;

  // Queues `step` for the owner's thread and wakes the owner.
  void Queue(std::function<void()> step);
  void Raise(const SessionEvent& event);  // owner's thread
  void Post(SessionEvent event) {
    Queue([this, event] { Raise(event); });
  }
  void OnDeviceReady(bool readBack);  // owner's thread
  JobStart CheckCanChange() const;
  JobStart QueueSwitch(int index, bool readBack);

  bool ReadArrivedKeyboard(DeviceLink& link);  // transfer thread
  KeyboardMirror* Mirror();                     // transfer thread
  // What the keyboard holds, read from `shownAtStart`, taken; picks made meanwhile stay.
  void TakeReadLighting(const LightingState& shownAtStart, const LightingState& read);

  SessionHost& host_;
  const std::u16string profilePath_;
  const ArrivalRead arrivalRead_;
  DeviceLink* link_ = nullptr;
  std::unique_ptr<TransferThread> transfers_;
  std::unique_ptr<KeyboardNotices> notices_;
  std::atomic<bool> ownerReady_{false};
  std::atomic<bool> stopped_{false};

  mutable std::mutex profileMutex_;
  WorkingProfile working_;
  AppliedProfile applied_;  // the transfer thread's
  KeyboardMirror mirror_;   // the transfer thread's: what the keyboard holds, as far as known
  // Set when the keyboard says it changed its settings by itself (its own keys
  // may switch its profile or more): the mirror is forgotten before its next use.
  std::atomic<bool> keyboardChangedItself_{false};

  // The owner's thread only.
  bool pending_ = false;
  unsigned pendingVersion_ = 0;  // counts the edits that made changes pending
  bool profileKnown_ = false;
  bool reading_ = false;
  std::vector<Listener> listeners_;
  LightingState lighting_;
  bool followLighting_ = false;
  std::shared_ptr<std::atomic<bool>> lightingReadWaits_ = std::make_shared<std::atomic<bool>>(false);

  mutable std::mutex queueMutex_;
  std::deque<std::function<void()>> queue_;
  int delivering_ = 0;  // steps taken from the queue and still running
};
