// Test support: an emulated controller from scenario text behind either link the
// program uses: the direct port (NT family) or the real bridge library and ASPI layer
// stand-in (9x family).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "aspilink/loaded_bridge.h"
#include "emulator/controller.h"
#include "emulator/emulated_nt_storage.h"
#include "emulator/scenario_parser.h"
#include "link/direct_port_link.h"
#include "monitor/monitor.h"

namespace raidmon::test {

enum class LinkKind { Direct, Bridge };

class EmulatedLink {
 public:
  EmulatedLink(LinkKind kind, const std::string& scenarioText) {
    const emu::ScenarioParse parsed = emu::parseScenario(scenarioText);
    EXPECT_TRUE(parsed.ok()) << parsed.errorLine << ": " << parsed.error;
    controller = std::make_unique<emu::Controller>(parsed.scenario);
    if (kind == LinkKind::Bridge) {
      family = kOsFamily9x;
      bridge = std::make_unique<LoadedBridge>("korvane");
      EXPECT_TRUE(bridge->ok()) << bridge->error();
      standIn.emplace();
      (*standIn)->attachDevice(*controller);
      link = std::make_unique<BridgeLink>(bridge->exports());
    } else {
      storage = std::make_unique<emu::EmulatedNtStorage>(*controller);
      link = std::make_unique<DirectPortLink>(*storage);
    }
  }
  // Call before the controller goes, once nothing sends any more.
  void detach() {
    if (standIn) (*standIn)->detach();
  }

  std::uint8_t family = kOsFamilyNt;
  std::unique_ptr<emu::Controller> controller;
  std::unique_ptr<emu::EmulatedNtStorage> storage;
  std::unique_ptr<LoadedBridge> bridge;
  std::optional<AttachedStandIn> standIn;
  std::unique_ptr<ControllerLink> link;
};

}  // namespace raidmon::test
