// libFuzzer target for the scenario parser: arbitrary text must parse or give an
// error; a scenario that parses must build a controller that answers packets safely.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "protocol/control_packet.h"

using namespace raidmon;
using namespace raidmon::emu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ScenarioParse parsed = parseScenario(text);
  if (!parsed.has_value()) {
    if (parsed.error().line < 0) __builtin_trap();
    return 0;
  }
  Controller controller(parsed.value());
  EmulatedNtStorage storage(controller);

  // A handful of ticks of the poll cycle, a transfer built from the input's first
  // bytes, and the flash commands.
  ControlPacket p;
  constexpr std::uint32_t kCodes[] = {CTL_PROBE,        CTL_READ_CONFIG, CTL_PLUG_BACKUP,
                                      CTL_REBUILD_BEGIN, CTL_TRANSFER,   CTL_REBUILD_END,
                                      FLASH_OP_04,      FLASH_OP_10,     FLASH_OP_40,
                                      FLASH_OP_80};
  for (int round = 0; round < 8; ++round) {
    for (std::uint32_t code : kCodes) {
      p.clear();
      std::memcpy(p.data(), data, std::min<std::size_t>(size, 16));
      p.fillDirectHeader(code, 2048);
      controller.handleMiniport(1, p.raw(), p.bytes.size());
      p.fillDirectHeader(CTL_READ_STATUS, 2048);
      controller.handleMiniport(1, p.raw(), p.bytes.size());
    }
    if (const auto adapter = controller.aspiAdapter()) {
      std::uint8_t small[48] = {};
      p.fillDirectHeader(CTL_TRANSFER, 20);
      std::memcpy(small, p.raw(), sizeof small);
      controller.handleAspiCdb77(*adapter, controller.aspiTarget(), small, sizeof small);
    }
    controller.rescanBus();
  }
  char name[32];
  for (int port = 0; port < kScsiPortCount; ++port) {
    char dos[] = "scsi0:";
    dos[4] = static_cast<char>('0' + port);
    storage.queryDosDevice(dos, name, sizeof name);
  }
  return 0;
}
