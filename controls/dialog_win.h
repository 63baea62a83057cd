// Our small window layer: a dialog bound to a resource template, whose
// procedure finds the object again, routes commands and messages to virtual
// handlers and never lets an exception out. A dialog runs modal (with its own
// message loop, so that it can look at queued messages first) or modeless.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// A control of a dialog, bound by id to a member object of the dialog.
class Control {
 public:
  virtual ~Control() = default;
  // Kit controls override Attach to take over their window (and call this one).
  virtual void Attach(HWND dialog, int id);
  void Detach() { hwnd_ = nullptr; }
  HWND hwnd() const { return hwnd_; }
  int id() const { return id_; }

  void Enable(bool enabled) const;
  bool IsEnabled() const;
  void Show(bool shown) const;
  bool IsVisible() const;
  void SetText(std::u16string_view text) const;
  std::u16string Text() const;

 private:
  HWND hwnd_ = nullptr;
  int id_ = 0;
};

// A control that takes over its window's messages: hooked when attached, let
// go when its window is destroyed (WM_NCDESTROY) or the object goes, whichever
// comes first. Every owner-drawn control of the kit is one.
class SubclassedControl : public Control {
 public:
  ~SubclassedControl() override;
  void Attach(HWND dialog, int id) override;

 protected:
  // A message of the window; what a control does not take goes on with Forward.
  virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) { return Forward(message, wParam, lParam); }
  LRESULT Forward(UINT message, WPARAM wParam, LPARAM lParam) const;
  // The window is being destroyed; the control lets go of it afterwards.
  virtual void OnWindowGone() {}

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
  void Unhook();
  HWND hooked_ = nullptr;
};

// For a control that paints its whole surface itself: answers WM_ERASEBKGND,
// WM_PRINTCLIENT and WM_PAINT by calling `draw`; false for other messages.
template <typename Draw>
bool PaintMessage(HWND window, UINT message, WPARAM wParam, LRESULT& result, Draw draw) {
  result = 0;
  switch (message) {
    case WM_ERASEBKGND:
      result = TRUE;
      return true;
    case WM_PRINTCLIENT:
      draw(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      draw(dc);
      EndPaint(window, &paint);
      return true;
    }
    default:
      return false;
  }
}

// WM_DRAWITEM reflected by a dialog to the owner-drawn control it concerns
// (same wParam and lParam); a control that drew itself answers TRUE.
constexpr UINT kReflectedDrawItem = 0x2000 + WM_DRAWITEM;

class Dialog {
 public:
  explicit Dialog(int templateId) : templateId_(templateId) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the dialog, shows it (unless it is to start hidden) and runs its
  // message loop until EndDialog; the owner is disabled meanwhile. Returns the
  // result given to EndDialog, or -1 when the dialog could not be created.
  enum class Start { kShown, kHidden };
  INT_PTR RunModal(HWND owner = nullptr, Start start = Start::kShown);

  // Creates the dialog without a loop of its own (shown only if its template
  // says so). Tests drive such a dialog with messages.
  bool CreateModeless(HWND owner = nullptr);

  // Ends a modal dialog's loop with `result`, or destroys a modeless one.
  void EndDialog(INT_PTR result);

  bool IsOpen() const { return hwnd_ != nullptr; }
  bool IsModal() const { return modal_; }
  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  int templateId() const { return templateId_; }

  // Gives a queued message to the open modeless dialog it belongs to (their
  // keyboard navigation); true when that dialog took it. Message loops call it.
  static bool TranslateModelessMessage(MSG& message);

 protected:
  // Binds the member controls to their ids; runs before OnInitDialog.
  virtual void BindControls() {}
  virtual BOOL OnInitDialog() { return TRUE; }
  // A command from a control or a menu; true when handled. Unhandled IDOK and
  // IDCANCEL go to OnOK and OnCancel.
  virtual bool OnCommand(int id, int notifyCode, HWND control) { return false; }
  // Any other message; true when handled, with its answer in `result`.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }
  // A queued message for this dialog before the dialog's own keyboard handling;
  // true swallows it.
  virtual bool PreTranslateMessage(MSG& message) { return false; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // The window is being destroyed; the bound controls are detached afterwards.
  virtual void OnDestroy() {}

  // Binds a member control to the dialog's control `id`, until the dialog goes.
  void Bind(Control& control, int id);
  // Builds the dialog from an in-memory template (kept alive by the caller)
  // instead of the resource template.
  void UseTemplate(const DLGTEMPLATE* dialogTemplate) { templateData_ = dialogTemplate; }
  // A dialog whose own controls all come with the system (buttons, statics,
  // lists) starts without the common controls library; others load it first.
  void UseOnlySystemControls() { commonControls_ = false; }

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  bool Create(HWND owner);

  int templateId_;
  const DLGTEMPLATE* templateData_ = nullptr;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  bool commonControls_ = true;
  bool endRequested_ = false;
  INT_PTR result_ = 0;
  std::vector<Control*> bound_;
};

// ---- The modal loops of the window thread ----------------------------------
// A dialog's loop, a message box, a system file dialog: each runs a loop of its
// own inside the one that opened it, and they return innermost first.

// Counts a modal loop that is not a Dialog's (a message box, a system file
// dialog) for as long as it lives.
class ForeignModalLoop {
 public:
  ForeignModalLoop();
  ~ForeignModalLoop();
  ForeignModalLoop(const ForeignModalLoop&) = delete;
  ForeignModalLoop& operator=(const ForeignModalLoop&) = delete;
};

// How many modal loops this thread runs: the Dialogs' and the counted ones.
int ModalLoopsRunning();

// Ends every dialog of this thread as if cancelled, but `base` and `spared`
// (when given) with the windows over it (owned by it, directly or through
// others): our own dialogs (modal and modeless) by EndDialog(IDCANCEL), the
// system's dialog windows (message boxes, file dialogs) by the system's
// EndDialog. Their loops return once this thread handles its next message.
void EndDialogsOver(const Dialog& base, const Dialog* spared = nullptr);

// The module whose resources hold the dialog templates, menus and icons.
HINSTANCE ResourceModule();
