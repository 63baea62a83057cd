// What the keyboard reports besides replies: its own function keys (the G-key
// layer, a change of its settings, its special state) and keyboards arriving
// and leaving. Notices come on the device service's thread, so nothing here
// waits there, least of all for the session's owner: the listener (the
// keyboard session) queues what it hears, and the work that talks to the
// keyboard runs on the transfer thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/user_interface.h"
#include "device/device_link.h"
#include "device/transfer_thread.h"
#include "localisation/text_slots.h"

// The keyboard's notice codes on its consumer collection.
inline constexpr std::uint16_t kNoticeLayerToggle = 0x02FF;
inline constexpr std::uint16_t kNoticeSettingsChanged = 0x0401;
inline constexpr std::uint16_t kNoticeSpecialStateOff = 0x1810;
inline constexpr std::uint16_t kNoticeSpecialStateOn = 0x1811;

// Who hears what the notices come to. Called on the device service's thread
// (the layer, the lighting, the tray state) and on the transfer thread (a
// keyboard being read, ready or gone, a message for the user): nothing here
// may wait.
class NoticeListener : public DeviceMessages {
 public:
  // A keyboard arrived and is being read (true), or that reading was given up
  // because the keyboard left again (false). DeviceReady ends the reading too.
  virtual void ReadingKeyboard(bool reading) = 0;
  // The keyboard arrived (`readBack` true when its profile was read back into
  // the profile file) or left.
  virtual void DeviceReady(bool readBack) = 0;
  virtual void DeviceGone() = 0;
  // Whether the owner of the keyboard has started up and can hear of it.
  virtual bool InitDone() const = 0;
  // The G-key layer changed; the keyboard's own settings changed.
  virtual void ShowLayer() = 0;
  virtual void RefreshLightingSoon() = 0;
  // The notification-area icon: kind 0 with an icon id shows it as the normal
  // icon, kind 0 with 0 the normal icon again, kind 1 the special state's icon.
  virtual void SetTrayState(int kind, int iconId) = 0;
};

class KeyboardNotices : public DeviceNoticeSink {
 public:
  // Reads an arrived keyboard's profile back (on the transfer thread, after
  // its default key table and capacity); true when it was read.
  using ReadBack = std::function<bool()>;

  // `listener` hears of the layer, the lighting, the tray state and
  // keyboards arriving and leaving.
  KeyboardNotices(DeviceLink& link, TransferThread& transfers, NoticeListener& listener, ReadBack readBack = {});
  ~KeyboardNotices() override { Stop(); }

  void OnConsumerNotice(std::uint16_t code) override;
  // A new keyboard count (also the count found at start-up). The attach work
  // runs on the transfer thread; when counts change faster than it runs, the
  // last one wins: work for an older count is dropped or given up.
  void OnDeviceCount(int count) override;

  // The keyboard may hold something else now (a console command changed it):
  // it is read back again, as when it arrives.
  void ReadAgain();

  // Whether a read-back is under way: a keyboard count or ReadAgain was
  // noticed and the listener has not yet taken what came of it (TakeReadBack),
  // or the keyboard is lent (LendThenReadAgain). A read-back ends by
  // replacing the working profile with the profile file, so nothing that
  // writes the profile file or changes the profile may run beside it.
  bool ReadBackUnderWay() const;
  // Queues `job` on the transfer thread unless a read-back is under way
  // (false then, and the job is dropped). A read-back noticed later is
  // queued behind it, so it reads what the job left.
  bool PostUnlessReadingBack(TransferThread::Job job);
  // Queues `lend` (the keyboard lent to a console command), then reads the
  // keyboard back; a read-back is under way from now on. False when the
  // transfer thread takes no more jobs.
  bool LendThenReadAgain(TransferThread::Job lend);
  // The listener has taken the last keyboard ready or gone it was told of.
  void TakeReadBack();

  // Waits for the icon threads this object started.
  void Stop();

  // The last keyboard count the attach work settled on.
  int LastDeviceCount() const { return lastCount_; }
  // How many keyboard counts were noticed so far.
  unsigned CountsNoticed() const;

 private:
  void Attach();
  bool Superseded(unsigned change) const;
  // The attach work for `change` is done; `toldListener` when the listener was
  // told of it and settles it by TakeReadBack.
  void Settle(unsigned change, bool toldListener);
  bool WaitForWindow() const;
  void ShowSpecialState(bool on);

  DeviceLink& link_;
  TransferThread& transfers_;
  NoticeListener& listener_;
  ReadBack readBack_;
  std::atomic<int> lastCount_{0};

  mutable std::mutex countMutex_;
  int latestCount_ = 0;      // the newest count noticed
  unsigned countChanges_ = 0;  // how many counts were noticed
  bool leftMeanwhile_ = false;  // a count of 0 was noticed since the attach work last ran
  bool attachQueued_ = false;
  unsigned settled_ = 0;        // the last change whose outcome the listener has, or that had none
  unsigned told_ = 0;           // the last change the listener was told of
  int untaken_ = 0;             // what the listener was told and has not taken yet
  int lends_ = 0;               // lends queued or running, each followed by a read-back

  std::mutex iconMark_;  // the icon changes of the special state take turns
  struct IconThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::mutex threadsMutex_;
  std::vector<IconThread> threads_;
  bool stopping_ = false;
};
