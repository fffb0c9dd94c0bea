// The bridge library's exports and its load and unload: each entry copies the
// caller's packet into the shared view, writes the header and the code's request
// fields, carries it through the ASPI layer and copies the answer back.
#include "aspilink/aspilink.h"

#include <cstring>
#include <string_view>

#include "aspilink/bridge_state.h"
#include "platform/message_box.h"
#include "platform/program_dir.h"
#include "protocol/byte_order.h"
#include "protocol/control_packet.h"

#ifndef ASPILINK_SIGNATURE
#error "ASPILINK_SIGNATURE names the build's signature word"
#endif

namespace raidmon::bridge {

namespace {

constexpr std::string_view kSignatureWord = ASPILINK_SIGNATURE;
static_assert(!kSignatureWord.empty() && kSignatureWord.size() < 8);

constexpr std::size_t kGeneralLength = kPacketSize;  // 2076
constexpr std::size_t kTransferLength = 48;
constexpr std::uint32_t kTransferDataLength = 20;
constexpr std::size_t kFlashLength = 180;
constexpr std::uint32_t kFlashDataLength = 150;

constexpr std::string_view kMessageCaption = " Message from aspilink";
constexpr std::string_view kAspiMissingText = " Load dll failed : WNASPI32.Dll";

BridgeState* gState = nullptr;

// The header as the bridge writes it; ReturnCode stays as the caller had it.
void writeHeader(std::uint8_t* view, std::uint32_t code, std::uint32_t dataLength) {
  storeLe32(view + kOffHeaderLength, static_cast<std::uint32_t>(kHeaderSize));
  std::memset(view + kOffSignature, 0, 8);
  std::memcpy(view + kOffSignature, kSignatureWord.data(), kSignatureWord.size());
  storeLe32(view + kOffTimeout, kPacketTimeout);
  storeLe32(view + kOffControlCode, code);
  storeLe32(view + kOffLength, dataLength);
}

std::uint8_t* data(std::uint8_t* view) { return view + kHeaderSize; }

std::uint32_t returnCode(const std::uint8_t* view) { return loadLe32(view + kOffReturnCode); }

// What the general entry does for one control code.
enum class Fields { None, Transfer, RebuildEnd };
enum class Rule { Always, EchoesCode, NonZero };
struct CodeEntry {
  std::uint32_t code;
  std::uint32_t length;
  Fields fields;
  Rule rule;
};

constexpr CodeEntry kCodes[] = {
    {CTL_PROBE, 0, Fields::None, Rule::EchoesCode},
    {CTL_READ_CONFIG, 2048, Fields::None, Rule::Always},
    {CTL_TRANSFER, 2048, Fields::Transfer, Rule::NonZero},
    {CTL_READ_STATUS, 512, Fields::None, Rule::Always},
    {CTL_REBUILD_BEGIN, 0, Fields::None, Rule::Always},
    {CTL_UNNAMED_20, 0, Fields::None, Rule::Always},
    {CTL_REBUILD_END, 512, Fields::RebuildEnd, Rule::Always},
    {CTL_UNNAMED_100, 512, Fields::RebuildEnd, Rule::Always},
};

const CodeEntry* findCode(std::uint32_t code) {
  for (const CodeEntry& e : kCodes) {
    if (e.code == code) return &e;
  }
  return nullptr;
}

// One request: copy in, prepare, send, copy back. A request that does not complete
// leaves the caller's packet as it was and gives 0.
template <class Prepare, class Result>
std::uint8_t carry(bool general, std::uint32_t adapter, std::uint32_t target, std::uint8_t* packet,
                   std::size_t length, Prepare prepare, Result result) {
  BridgeState* state = gState;
  if (state == nullptr || packet == nullptr) return 0;
  std::lock_guard lock(state->lock());
  if (general) state->touchSupportInfo();
  std::uint8_t* view = state->view();
  std::memcpy(view, packet, length);
  prepare(view);
  const bool done = state->send(static_cast<std::uint8_t>(adapter), static_cast<std::uint8_t>(target),
                                static_cast<std::uint32_t>(length), requestTimeout(kPacketTimeout));
  if (!done) return 0;
  std::memcpy(packet, view, length);
  return result(view) ? 1 : 0;
}

void writeIndexBytes(std::uint8_t* d, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3,
                     std::uint32_t p4) {
  d[0] = static_cast<std::uint8_t>(p1);
  d[1] = static_cast<std::uint8_t>(p2);
  d[2] = static_cast<std::uint8_t>(p3);
  d[3] = static_cast<std::uint8_t>(p4);
}

}  // namespace

bool attachProcess() {
  auto attached = BridgeState::attach(programDirectory(), kSignatureWord);
  if (attached) {
    gState = std::move(attached).value().release();
    return true;
  }
  if (attached.error().failure == AttachFailure::AspiLibraryMissing) {
    showLibraryMessageBox(kMessageCaption, kAspiMissingText);
  } else {
    showLibraryMessageBox(kMessageCaption, " " + attached.error().message);
  }
  return false;
}

void detachProcess() {
  BridgeState* state = gState;
  gState = nullptr;
  delete state;
}

}  // namespace raidmon::bridge

using namespace raidmon;
using namespace raidmon::bridge;

extern "C" {

ASPILINK_API std::uint8_t TavrixIoControl(std::uint32_t /*reserved*/, std::uint32_t /*token*/,
                                          std::uint32_t controlCode, std::uint32_t adapter,
                                          std::uint32_t target, std::uint8_t* packet,
                                          std::uint32_t param1, std::uint32_t param2,
                                          std::uint32_t param3, std::uint32_t param4,
                                          std::uint32_t value32, std::uint32_t value16) {
  const CodeEntry* entry = findCode(controlCode);
  if (entry == nullptr) return 1;  // not carried: nothing sent, packet untouched
  const auto prepare = [&](std::uint8_t* view) {
    writeHeader(view, entry->code, entry->length);
    std::uint8_t* d = data(view);
    switch (entry->fields) {
      case Fields::None:
        break;
      case Fields::Transfer:
        writeIndexBytes(d, param1, param2, param3, param4);
        storeLe32(d + 4, value32);
        storeLe16(d + 8, static_cast<std::uint16_t>(value16));
        break;
      case Fields::RebuildEnd:
        d[1] = static_cast<std::uint8_t>(param2);
        storeLe32(d + 4, 0);
        storeLe32(d + 8, value32);
        storeLe32(d + 12, 0);
        break;
    }
  };
  const auto result = [&](const std::uint8_t* view) {
    switch (entry->rule) {
      case Rule::EchoesCode:
        return returnCode(view) == entry->code;
      case Rule::NonZero:
        return returnCode(view) != 0;
      case Rule::Always:
        break;
    }
    return true;
  };
  return carry(true, adapter, target, packet, kGeneralLength, prepare, result);
}

ASPILINK_API std::uint8_t TavrixReadWrite(std::uint32_t /*token*/, std::uint32_t adapter,
                                          std::uint32_t target, std::uint8_t* packet,
                                          std::uint32_t param1, std::uint32_t param2,
                                          std::uint32_t param3, std::uint32_t param4,
                                          std::uint32_t value32, std::uint32_t value16) {
  const auto prepare = [&](std::uint8_t* view) {
    writeHeader(view, CTL_TRANSFER, kTransferDataLength);
    std::uint8_t* d = data(view);
    writeIndexBytes(d, param1, param2, param3, param4);
    storeLe32(d + 4, value32);
    storeLe16(d + 8, static_cast<std::uint16_t>(value16));
  };
  const auto result = [](const std::uint8_t* view) { return returnCode(view) != 0; };
  return carry(false, adapter, target, packet, kTransferLength, prepare, result);
}

ASPILINK_API std::uint8_t TavrixFlashReadWrite(std::uint32_t /*token*/, std::uint32_t adapter,
                                               std::uint32_t target, std::uint8_t* packet,
                                               std::uint32_t operation, std::uint32_t value16,
                                               std::uint32_t value8) {
  const auto prepare = [&](std::uint8_t* view) {
    const std::uint8_t op = static_cast<std::uint8_t>(operation);
    writeHeader(view, op, kFlashDataLength);
    std::uint8_t* d = data(view);
    d[0] = op;
    storeLe32(d + 4, value16 & 0xFFFFu);
    storeLe32(d + 8, value8 & 0xFFu);
  };
  const auto result = [](const std::uint8_t* view) { return returnCode(view) != 0; };
  return carry(false, adapter, target, packet, kFlashLength, prepare, result);
}

}  // extern "C"
