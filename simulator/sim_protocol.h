// The simulator server's line protocol on 127.0.0.1, one line of ASCII per
// message, ended by '\n'.
//
// The device service (HidServ.dll's simulator back end) opens a connection
// and sends "DEVICE"; from then on it writes reports as
//   WRITE <usage page hex> <usage hex> <bytes hex>
// and receives what the keyboard sends:
//   REFUSE <n>                          (right after DEVICE, when set: the service refuses
//                                        its next n standing reads)
//   COUNT <keyboards attached>          (first right after DEVICE, then on every change)
//   REPORT <usage page hex> <usage hex> <delay ms> <bytes hex>
//
// Any other connection is a control connection: each line is a command and
// gets one answer line, "OK ..." or "ERR ...":
//   plug | unplug | count | boots | commands | clearlog | save | quit
//   notice <code hex>                      a consumer notice (0x02FF, 0x0401, ...)
//   faults [latency=N] [lose=N] [wrongcode=N] [status=N] [statusbyte=HEX] [unplugafter=N]
//          [late=N] [latems=N] [after=N] [echo=full|code|garbage] [refusereads=N]
//                                        late: the next N replies come after latems ms;
//                                        after: the reply faults begin after N good replies;
//                                        echo: what every reply repeats besides the code:
//                                        full (the default) the length and offset, code
//                                        nothing (bytes 4-6 are 0), garbage nothing (bytes
//                                        4-6 hold other bytes). A line without echo= keeps it.
//                                        refusereads: the device service refuses the next N
//                                        standing reads (a program that connects is told).
//   read <area> <offset> <length>          OK <bytes hex>
//   poke <area> <offset> <bytes hex>
//   log [n]                                the last n entries (default 16): OK H|K:<page hex>:<hex> ...
// Areas: keytables, default, macros, status, settings, colours, leds.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "simulator/keyboard_simulator.h"

inline constexpr char kSimDeviceHello[] = "DEVICE";
inline constexpr std::size_t kSimMaxLine = 4096;  // longer lines end the connection

std::string HexBytes(std::span<const std::uint8_t> bytes);
// False for odd lengths or characters other than hex digits.
bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes);

// "WRITE ..." of the device service.
std::string WriteLine(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report);
bool ParseWriteLine(const std::string& line, std::uint16_t& usagePage, std::uint16_t& usage,
                    std::vector<std::uint8_t>& report);

// "COUNT ..." or "REPORT ..." for an event of the keyboard, and back.
std::string EventLine(const SimEvent& event);
bool ParseEventLine(const std::string& line, SimEvent& event);

// Runs one control command. `quit` is set by "quit"; "save" writes the memory
// to `memoryPath` (an error when it is empty).
std::string HandleControlLine(KeyboardSimulator& keyboard, const std::string& line, const std::string& memoryPath,
                              bool& quit);
