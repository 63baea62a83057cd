// Every private window message of the program, in one table, and the tags and
// the marker that tell another instance which window is ours.
#pragma once

#include <cstdint>

// A tag spelled with four letters, the first in the most significant byte.
constexpr std::uint32_t FourLetterTag(char a, char b, char c, char d) {
  return (std::uint32_t(std::uint8_t(a)) << 24) | (std::uint32_t(std::uint8_t(b)) << 16) |
         (std::uint32_t(std::uint8_t(c)) << 8) | std::uint32_t(std::uint8_t(d));
}

// The main window carries this value in its user-data slot ("MAIN").
constexpr std::uint32_t kMainWindowMarker = FourLetterTag('M', 'A', 'I', 'N');
static_assert(kMainWindowMarker == 0x4D41494E);

// Sent by another start of the program to the running one, with a tag in
// wParam: their numbers never change, whichever version sends them.
constexpr unsigned WM_INSTANCE_OPEN = 0x5350;  // show the window (kOpenTag)
constexpr unsigned WM_INSTANCE_KILL = 0x4D4B;  // end the program (kKillTag)

// The program's own, from WM_APP (0x8000) up; each says who posts it.
enum : unsigned {
  kFirstPrivateMessage = 0x8000,
  WM_DEFERRED_INIT = kFirstPrivateMessage,  // the main window to itself once made (kInitTag)
  WM_LATE_START,        // the main window to itself while steps of its late start are left
  WM_EXIT_NOW,          // the main window to itself: "/Kill" ends the program without a question
  WM_SESSION_EVENTS,    // the keyboard session has events waiting (any thread)
  WM_DEVICE_MESSAGE,    // a message for the user, shown from the loop (wParam its text key)
  WM_CONSOLE_REQUEST,   // a console command asks for the keyboard (the watcher's thread)
  WM_SLIDER_CHANGED,    // a slider to its parent: wParam its id, lParam its position
  WM_TRAY_CALLBACK,     // the notification-area icon to the window
  WM_ACTION_LIST_OPEN_EDITOR,     // the action list to itself: wParam row, lParam column
  WM_ACTION_LIST_DESTROY_EDITOR,  // the action list to itself: wParam the editor
  WM_LIGHTING_CLIENTS,  // the lighting interface's pipe has clients' messages waiting (its thread)
};

constexpr std::uint32_t kOpenTag = FourLetterTag('O', 'P', 'E', 'N');
// "KILL" in memory order: the K is the least significant byte.
constexpr std::uint32_t kKillTag = FourLetterTag('L', 'L', 'I', 'K');
constexpr std::uint32_t kInitTag = FourLetterTag('I', 'N', 'I', 'T');
static_assert(kOpenTag == 0x4F50454E && kKillTag == 0x4C4C494B && kInitTag == 0x494E4954);
