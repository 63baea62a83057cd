// Untrusted bytes from the keyboard's side: replies and notices handed to the
// link, command frames taken by the simulator, and lines of the simulator
// server's protocol.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "simulator/keyboard_simulator.h"
#include "simulator/sim_protocol.h"

namespace {

// A service with no keyboard: the link never waits.
int Init(int) { return 1; }
int End() { return 1; }
int Debug(int) { return 1; }
int Count(const UnitSelector*, NoticeCallback, uint32_t, uint32_t, uint32_t*) { return 0; }
int Write(const UnitSelector*, NoticeCallback, uint32_t, const void*, uint32_t, uint32_t, uint32_t*) { return 0; }
int Get(const UnitSelector*, NoticeCallback, uint32_t, void*, uint32_t, uint32_t, uint32_t*) { return 0; }
int Read(const UnitSelector*, NoticeCallback, uint32_t, uint32_t, uint32_t* id) {
  *id = 1;
  return 1;
}
int Delete(uint32_t) { return 1; }
int DeleteHandle(void*) { return 1; }

class NullSink : public DeviceNoticeSink {
 public:
  void OnConsumerNotice(std::uint16_t) override {}
  void OnDeviceCount(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const DeviceService service{Init,  End, Debug, Count, Write,  Write,
                                     Write, Get, Write, Read,  Delete, DeleteHandle};
  static NullSink sink;
  static DeviceLink link(service);
  static const bool started = link.Start(&sink) >= 0;
  (void)started;

  // As notices of each kind and tag.
  const std::uint32_t tags[] = {OSTRAK_TAG_CTRL, OSTRAK_TAG_CONS, OSTRAK_TAG_LED, 0};
  for (std::uint32_t kind = 0; kind < 3; ++kind)
    for (std::uint32_t tag : tags) {
      const RequestBlock block{tag, static_cast<std::uint32_t>(size), data, nullptr};
      const RequestNotice notice{kind, 0, &block};
      DeviceNoticeHandler(&notice);
    }

  // As a report the simulated keyboard takes.
  KeyboardSimulator keyboard(1);
  keyboard.Write(kControlUsagePage, kControlUsage, {data, size < kFrameSize ? size : kFrameSize});

  // As lines of the server's protocol.
  const std::string line(reinterpret_cast<const char*>(data), size);
  SimEvent event;
  ParseEventLine(line, event);
  std::uint16_t page = 0, usage = 0;
  std::vector<std::uint8_t> report;
  ParseWriteLine(line, page, usage, report);
  bool quit = false;
  HandleControlLine(keyboard, line, "", quit);
  return 0;
}
