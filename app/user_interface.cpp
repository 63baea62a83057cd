#include "app/user_interface.h"

namespace {

class SilentInterface : public UserInterface {
 public:
  void ShowMessage(std::u16string_view) override {}
  bool AskYesNo(std::u16string_view) override { return false; }
  void RefreshKeyGrid() override {}
  void SetPendingChanges(bool pending) override { pending_ = pending; }
  bool PendingChanges() const override { return pending_; }
  void SetTrayState(int, int) override {}
  void DeviceReady(int) override {}
  void DeviceGone() override {}
  void ReadingKeyboard(bool) override {}
  bool InitDone() const override { return true; }
  void ShowLayer() override {}
  void RefreshLightingSoon() override {}
  bool KeyEditorOpen() const override { return false; }
  bool ProfileManagerPending() const override { return false; }
  void SendApplyCommand() override {}
  void ProfileSwitched(int) override {}

 private:
  bool pending_ = false;
};

SilentInterface silent;
UserInterface* current = &silent;

}  // namespace

UserInterface& UI() { return *current; }
void SetUserInterface(UserInterface* ui) { current = ui ? ui : &silent; }
