#include "monitor/mode_tree.h"

namespace raidmon {

void ModeTree::fill(DriveModel& model) {
  nodes_.clear();
  for (int n = 0; n <= model.highestArray() && n < kArrayRecords; ++n) {
    ArrayRecord& rec = model.array(n);
    const auto name = modeName(rec.kind);
    if (!name) continue;
    const int arrayNode = static_cast<int>(nodes_.size());
    rec.arrayNodeIndex = static_cast<std::uint8_t>(arrayNode);
    nodes_.push_back({std::string(name->text), name->image, NodeImage::Array, -1, n, -1});
    for (int slot = 0; slot < kMaxMembers; ++slot) {
      if (rec.memberSlots[static_cast<std::size_t>(slot)] == kSlotEnd) break;
      rec.memberNodeIndex[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(nodes_.size());
      nodes_.push_back({rec.memberIdentity[static_cast<std::size_t>(slot)].model(), NodeImage::MemberPresent,
                        NodeImage::MemberPresent, arrayNode,
                        n, slot});
    }
  }
}

int ModeTree::memberNode(int array, int slot) const {
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].array == array && nodes_[i].slot == slot) return static_cast<int>(i);
  }
  return -1;
}

bool ModeTree::setImages(int nodeIndex, NodeImage image) {
  if (nodeIndex < 0 || static_cast<std::size_t>(nodeIndex) >= nodes_.size()) return false;
  nodes_[static_cast<std::size_t>(nodeIndex)].image = image;
  nodes_[static_cast<std::size_t>(nodeIndex)].selectedImage = image;
  return true;
}

}  // namespace raidmon
