#include "aspilink/bridge_state.h"

#include <cstdlib>
#include <cstring>

#include "aspilink/aspilink.h"
#include "platform/dynamic_library.h"
#include "platform/input_file.h"
#include "platform/strict_int.h"

namespace raidmon::bridge {

namespace {

constexpr std::uint8_t kVendorCdb = 0x77;
constexpr std::uint8_t kCdbLength = 6;

}  // namespace

Result<std::unique_ptr<BridgeState>, AttachError> BridgeState::attach(const std::string& directory,
                                                                      std::string_view word) {
  using Failed = Unexpected<AttachError>;
  const std::string path = directory + aspi::kLibraryFile;
  // Checked before it is loaded: a FIFO or a device in its place would stall the load.
  if (const InputFileStatus status = checkInputFile(path); status != InputFileStatus::kOk) {
    return Failed({AttachFailure::AspiLibraryMissing, "cannot load " + path + ": " + describe(status)});
  }
  std::string why;
  void* library = openLibrary(path, why);
  if (library == nullptr) return Failed({AttachFailure::AspiLibraryMissing, why});
  std::unique_ptr<BridgeState> s(new BridgeState);
  s->aspiLibrary_ = library;
  s->getSupportInfo_ =
      reinterpret_cast<aspi::GetASPI32SupportInfoFn>(librarySymbol(library, "GetASPI32SupportInfo"));
  s->sendCommand_ =
      reinterpret_cast<aspi::SendASPI32CommandFn>(librarySymbol(library, "SendASPI32Command"));
  if (s->getSupportInfo_ == nullptr || s->sendCommand_ == nullptr) {
    closeLibrary(library);  // the rest goes with `s`
    return Failed({AttachFailure::AspiEntryMissing, path + " lacks the ASPI entry points"});
  }
  auto view = SharedView::create(word, kViewSize);
  if (!view) {
    closeLibrary(library);
    return Failed({AttachFailure::ViewFailed, view.error()});
  }
  s->view_ = std::move(view).value();
  s->request_ = std::make_unique<aspi::ExecRequest>();
  s->event_ = std::make_unique<ManualResetEvent>();
  if (!s->event_->valid()) {
    closeLibrary(library);
    return Failed({AttachFailure::EventFailed, "cannot create the completion event"});
  }
  return s;
}

BridgeState::~BridgeState() = default;

void BridgeState::touchSupportInfo() { (void)getSupportInfo_(); }

bool BridgeState::send(std::uint8_t adapter, std::uint8_t target, std::uint32_t length,
                       std::chrono::milliseconds timeout) {
  aspi::ExecRequest& r = *request_;
  r = aspi::ExecRequest{};
  r.srb.SRB_Cmd = aspi::SC_EXEC_SCSI_CMD;
  r.srb.SRB_HaId = adapter;
  r.srb.SRB_Flags = aspi::SRB_DIR_IN | aspi::SRB_EVENT_NOTIFY;
  r.srb.SRB_Target = target;
  r.srb.SRB_BufLen = length;
  r.srb.SRB_CDBLen = kCdbLength;
  r.srb.CDBByte[0] = kVendorCdb;
  aspi::setBuffer(r, view_->data());
  aspi::setPostProc(r, event_->completionHandle());

  event_->reset();  // a stray signal must not end the next wait early
  const std::uint32_t status = sendCommand_(&r);
  if (status != aspi::SS_PENDING) return status == aspi::SS_COMP;
  if (!event_->waitFor(timeout)) {
    // Not completed in time: take it back. Once the abort returns the layer has either
    // completed the request or will never touch the view or the block again.
    aspi::AbortRequest abort{};
    abort.srb.SRB_Cmd = aspi::SC_ABORT_SRB;
    abort.srb.SRB_HaId = adapter;
    aspi::setToAbort(abort, &r);
    sendCommand_(&abort);
  }
  event_->reset();
  return r.srb.SRB_Status == aspi::SS_COMP;
}

std::chrono::milliseconds requestTimeout(std::uint32_t packetTimeoutSeconds) {
  const std::chrono::milliseconds fallback{std::int64_t{packetTimeoutSeconds} * 1000};
  return millisecondsFromEnvironment(kAspiTimeoutVariable).value_or(fallback);
}

}  // namespace raidmon::bridge
