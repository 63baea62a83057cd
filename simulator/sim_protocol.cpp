#include "simulator/sim_protocol.h"

#include <charconv>
#include <sstream>

namespace {

bool ParseNumber(const std::string& text, long long& value, int base = 10) {
  if (text.empty()) return false;
  const char* first = text.data();
  const char* last = first + text.size();
  if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) first += 2;
  const auto [end, error] = std::from_chars(first, last, value, base);
  return error == std::errc() && end == last;
}

bool ParseU16Hex(const std::string& text, std::uint16_t& value) {
  long long v = 0;
  if (!ParseNumber(text, v, 16) || v < 0 || v > 0xFFFF) return false;
  value = static_cast<std::uint16_t>(v);
  return true;
}

std::string Hex16(std::uint16_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text(4, '0');
  for (int i = 3; i >= 0; --i, value >>= 4) text[i] = digits[value & 0xF];
  return text;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace

std::string HexBytes(std::span<const std::uint8_t> bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 0xF];
  }
  return text;
}

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes) {
  if (text.size() % 2 != 0) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  bytes.clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = nibble(text[i]), low = nibble(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return true;
}

std::string WriteLine(std::uint16_t usagePage, std::uint16_t usage, std::span<const std::uint8_t> report) {
  return "WRITE " + Hex16(usagePage) + " " + Hex16(usage) + " " + HexBytes(report) + "\n";
}

bool ParseWriteLine(const std::string& line, std::uint16_t& usagePage, std::uint16_t& usage,
                    std::vector<std::uint8_t>& report) {
  const auto words = Words(line);
  return words.size() == 4 && words[0] == "WRITE" && ParseU16Hex(words[1], usagePage) &&
         ParseU16Hex(words[2], usage) && ParseHexBytes(words[3], report) && !report.empty() &&
         report.size() <= kFrameSize;
}

std::string EventLine(const SimEvent& event) {
  if (event.kind == SimEvent::kCount) return "COUNT " + std::to_string(event.count) + "\n";
  return "REPORT " + Hex16(event.usagePage) + " " + Hex16(event.usage) + " " + std::to_string(event.delayMs) + " " +
         HexBytes(event.bytes) + "\n";
}

bool ParseEventLine(const std::string& line, SimEvent& event) {
  const auto words = Words(line);
  long long number = 0;
  if (words.size() == 2 && words[0] == "COUNT" && ParseNumber(words[1], number) && number >= 0 &&
      number < 1000) {
    event = {};
    event.kind = SimEvent::kCount;
    event.count = static_cast<int>(number);
    return true;
  }
  if (words.size() == 5 && words[0] == "REPORT") {
    SimEvent parsed;
    parsed.kind = SimEvent::kReport;
    if (!ParseU16Hex(words[1], parsed.usagePage) || !ParseU16Hex(words[2], parsed.usage)) return false;
    if (!ParseNumber(words[3], number) || number < 0 || number > 60000) return false;
    parsed.delayMs = static_cast<int>(number);
    if (!ParseHexBytes(words[4], parsed.bytes) || parsed.bytes.empty() || parsed.bytes.size() > kFrameSize)
      return false;
    event = std::move(parsed);
    return true;
  }
  return false;
}

std::string HandleControlLine(KeyboardSimulator& keyboard, const std::string& line, const std::string& memoryPath,
                              bool& quit) {
  const auto words = Words(line);
  if (words.empty()) return "ERR empty\n";
  const std::string& verb = words[0];
  long long a = 0, b = 0;
  if (words.size() == 1) {
    if (verb == "plug") return keyboard.Plug(), "OK\n";
    if (verb == "unplug") return keyboard.Unplug(), "OK\n";
    if (verb == "count") return "OK " + std::to_string(keyboard.Count()) + "\n";
    if (verb == "boots") return "OK " + std::to_string(keyboard.BootRequests()) + "\n";
    if (verb == "commands") return "OK " + std::to_string(keyboard.CommandsReceived()) + "\n";
    if (verb == "clearlog") return keyboard.ClearLog(), "OK\n";
    if (verb == "quit") return quit = true, "OK\n";
    if (verb == "save")
      return !memoryPath.empty() && keyboard.SaveMemory(memoryPath) ? "OK\n" : "ERR cannot save\n";
  }
  if (verb == "notice" && words.size() == 2 && ParseNumber(words[1], a, 16) && a >= 0 && a <= 0xFFFF)
    return keyboard.SendConsumerNotice(static_cast<std::uint16_t>(a)) ? "OK\n" : "ERR unplugged\n";
  if (verb == "log" && words.size() <= 2) {
    long long n = 16;
    if (words.size() == 2 && (!ParseNumber(words[1], n) || n < 0)) return "ERR count\n";
    const auto log = keyboard.Log();
    std::string answer = "OK";
    const std::size_t first = log.size() > static_cast<std::size_t>(n) ? log.size() - n : 0;
    for (std::size_t i = first; i < log.size(); ++i)
      answer += std::string(" ") + (log[i].fromHost ? "H:" : "K:") + Hex16(log[i].usagePage) + ":" +
                HexBytes(log[i].bytes);
    return answer + "\n";
  }
  if (verb == "faults") {
    SimFaults faults = keyboard.Faults();
    SimEcho echo = keyboard.Echo();
    for (std::size_t i = 1; i < words.size(); ++i) {
      const auto eq = words[i].find('=');
      if (eq == std::string::npos) return "ERR " + words[i] + "\n";
      const std::string key = words[i].substr(0, eq), value = words[i].substr(eq + 1);
      if (key == "echo") {
        if (!ParseSimEcho(value, echo)) return "ERR " + words[i] + "\n";
        continue;
      }
      long long n = 0;
      const bool hex = key == "statusbyte";
      if (!ParseNumber(value, n, hex ? 16 : 10) || n < -1 || n > 100000) return "ERR " + words[i] + "\n";
      const int v = static_cast<int>(n);
      if (key == "latency" && v >= 0) faults.latencyMs = v;
      else if (key == "lose" && v >= 0) faults.loseReplies = v;
      else if (key == "wrongcode" && v >= 0) faults.wrongCodeReplies = v;
      else if (key == "status" && v >= 0) faults.statusReplies = v;
      else if (key == "statusbyte" && v >= 0 && v <= 0xFF) faults.status = static_cast<std::uint8_t>(v);
      else if (key == "unplugafter") faults.unplugAfterReports = v;
      else if (key == "late" && v >= 0) faults.lateReplies = v;
      else if (key == "latems" && v >= 0) faults.lateMs = v;
      else if (key == "after" && v >= 0) faults.afterReplies = v;
      else if (key == "refusereads" && v >= 0) faults.refuseReads = v;
      else return "ERR " + words[i] + "\n";
    }
    keyboard.SetFaults(faults);
    keyboard.SetEcho(echo);
    return "OK\n";
  }
  SimArea area{};
  if (verb == "read" && words.size() == 4 && ParseSimArea(words[1], area) && ParseNumber(words[2], a) &&
      ParseNumber(words[3], b) && a >= 0 && b >= 0 && b <= 0x10000) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(b));
    if (!keyboard.Read(area, static_cast<std::size_t>(a), bytes)) return "ERR range\n";
    return "OK " + HexBytes(bytes) + "\n";
  }
  std::vector<std::uint8_t> bytes;
  if (verb == "poke" && words.size() == 4 && ParseSimArea(words[1], area) && ParseNumber(words[2], a) && a >= 0 &&
      ParseHexBytes(words[3], bytes))
    return keyboard.Poke(area, static_cast<std::size_t>(a), bytes) ? "OK\n" : "ERR range\n";
  return "ERR unknown command\n";
}
