#include "controls/subclass_win.h"

#include <commctrl.h>

#include <map>
#include <mutex>
#include <vector>

namespace {

struct Hook {
  SubclassProcedure procedure;
  UINT_PTR id;
  DWORD_PTR data;
  bool removed;
};

// The hooks of one window, the latest last. A hook removed while messages are
// being passed along is only marked, so that the positions of the calls in
// progress stay right; marked hooks go once no call is in progress.
struct Chain {
  WNDPROC original = nullptr;
  std::vector<Hook> hooks;
  std::vector<std::size_t> calling;  // positions of the hooks being called, innermost last
};

std::mutex chainsLock;
std::map<HWND, Chain*> chains;  // a window's chain is only used on the window's own thread

Chain* ChainOf(HWND window) {
  std::lock_guard guard(chainsLock);
  const auto found = chains.find(window);
  return found == chains.end() ? nullptr : found->second;
}

LRESULT CALLBACK ChainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool HasLiveHooks(const Chain& chain) {
  for (const Hook& hook : chain.hooks)
    if (!hook.removed) return true;
  return false;
}

// Once no call is in progress: drops marked hooks, and gives the window its own
// procedure back when no hook is left or the window is going.
void Tidy(HWND window, Chain* chain, bool windowGoing) {
  if (!chain->calling.empty()) return;
  std::erase_if(chain->hooks, [](const Hook& hook) { return hook.removed; });
  if (!windowGoing && !chain->hooks.empty()) return;
  // Someone who hooked the window after us keeps our procedure in their chain.
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == ChainProcedure || windowGoing) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
    std::lock_guard guard(chainsLock);
    chains.erase(window);
    delete chain;
  }
}

// Calls the first live hook below position `below`, or the window's own procedure.
LRESULT CallBelow(HWND window, Chain* chain, std::size_t below, UINT message, WPARAM wParam, LPARAM lParam) {
  std::size_t at = below;
  while (at > 0 && chain->hooks[at - 1].removed) --at;
  if (at == 0) return CallWindowProcW(chain->original, window, message, wParam, lParam);
  const Hook hook = chain->hooks[at - 1];
  chain->calling.push_back(at - 1);
  const LRESULT result = hook.procedure(window, message, wParam, lParam, hook.id, hook.data);
  chain->calling.pop_back();
  return result;
}

LRESULT CALLBACK ChainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Chain* chain = ChainOf(window);
  if (!chain) return DefWindowProcW(window, message, wParam, lParam);
  const LRESULT result = CallBelow(window, chain, chain->hooks.size(), message, wParam, lParam);
  if (chain->calling.empty() && (message == WM_NCDESTROY || !HasLiveHooks(*chain)))
    Tidy(window, chain, message == WM_NCDESTROY);
  return result;
}

}  // namespace

bool AddSubclass(HWND window, SubclassProcedure procedure, UINT_PTR id, DWORD_PTR data) {
  if (!window || !procedure || !IsWindow(window)) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return false;
  Chain* chain = ChainOf(window);
  if (!chain) {
    chain = new Chain;
    {
      std::lock_guard guard(chainsLock);
      chains[window] = chain;
    }
    chain->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChainProcedure)));
  }
  for (Hook& hook : chain->hooks) {
    if (hook.procedure == procedure && hook.id == id && !hook.removed) {
      hook.data = data;
      return true;
    }
  }
  chain->hooks.push_back(Hook{procedure, id, data, false});
  return true;
}

bool RemoveSubclass(HWND window, SubclassProcedure procedure, UINT_PTR id) {
  Chain* chain = ChainOf(window);
  if (!chain) return false;
  bool removed = false;
  for (Hook& hook : chain->hooks) {
    if (hook.procedure == procedure && hook.id == id && !hook.removed) {
      hook.removed = true;
      removed = true;
    }
  }
  if (removed && chain->calling.empty() && !HasLiveHooks(*chain)) Tidy(window, chain, false);
  return removed;
}

LRESULT CallNextProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Chain* chain = ChainOf(window);
  if (!chain || chain->calling.empty()) return DefWindowProcW(window, message, wParam, lParam);
  return CallBelow(window, chain, chain->calling.back(), message, wParam, lParam);
}

void LoadCommonControls() {
  static const bool loaded = [] {
    HMODULE library = LoadLibraryW(L"comctl32.dll");
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = library ? reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")))
                              : nullptr;
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    return init && init(&classes);
  }();
  (void)loaded;
}
