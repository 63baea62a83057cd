// A small window that hosts the macro page's action list as the key editor
// does: the list's notices and the queued keys go to it first. The test and
// the benchmark of the list share it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "controls/action_list_win.h"
#include "controls/dialog_win.h"
#include "controls/memory_template_win.h"

class ActionListHost : public Dialog {
 public:
  static constexpr int kList = 400;
  // The list is `listHeight` pixels high; `heard` sees every notice of the list after it.
  explicit ActionListHost(int listHeight, std::function<void(const NMHDR&)> heard = nullptr)
      : Dialog(0), listHeight_(listHeight), heard_(std::move(heard)) {
    UseTemplate(template_.get());
  }
  CActionList list;

 protected:
  BOOL OnInitDialog() override {
    CreateWindowExW(0, WC_LISTVIEWW, L"",
                    WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SINGLESEL,
                    0, 0, 240, listHeight_, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kList)),
                    GetModuleHandleW(nullptr), nullptr);
    Bind(list, kList);
    list.SetColumns(u"Key", u"Action", u"Delay(ms)");
    return TRUE;
  }
  bool OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) override {
    if (message != WM_NOTIFY) return false;
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.idFrom != kList) return false;
    const bool taken = list.OnNotify(header, result);
    if (heard_) heard_(header);
    return taken;
  }
  bool PreTranslateMessage(MSG& message) override { return list.PreTranslate(message); }

 private:
  int listHeight_;
  std::function<void(const NMHDR&)> heard_;
  MemoryDialogTemplate template_{WS_POPUP | WS_VISIBLE, 200, 220};
};
