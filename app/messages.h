// Private window messages of the main window, their tags and the marker that
// tells another instance which window is ours.
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

constexpr unsigned WM_INSTANCE_OPEN = 0x5350;
constexpr unsigned WM_INSTANCE_KILL = 0x4D4B;
constexpr unsigned WM_DEFERRED_INIT = 0x4D4E;
constexpr unsigned WM_DEVICE_READY = 0x5452;
constexpr unsigned WM_DEVICE_GONE = 0x4753;
constexpr unsigned WM_LED_REFRESH = 0x5045;
constexpr unsigned WM_SLIDER_CHANGED = 0x28D1;
constexpr unsigned WM_CONSOLE_REQUEST = 0x434C;  // a console command asks for the keyboard

constexpr std::uint32_t kOpenTag = FourLetterTag('O', 'P', 'E', 'N');
// "KILL" in memory order: the K is the least significant byte.
constexpr std::uint32_t kKillTag = FourLetterTag('L', 'L', 'I', 'K');
constexpr std::uint32_t kInitTag = FourLetterTag('I', 'N', 'I', 'T');
constexpr std::uint32_t kProfileTag = FourLetterTag('P', 'R', 'O', 'F');
constexpr std::uint32_t kLedTag = 0x004C4544;  // "LED"
static_assert(kOpenTag == 0x4F50454E && kKillTag == 0x4C4C494B && kInitTag == 0x494E4954 &&
              kProfileTag == 0x50524F46);
