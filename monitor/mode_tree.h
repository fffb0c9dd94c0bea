// The Monitor dialog's array tree as the core knows it: one node per used array
// record and one child per member, with the node indexes written into the records.
#pragma once

#include <string>
#include <vector>

#include "monitor/drive_model.h"

namespace raidmon {

struct ModeTreeNode {
  std::string label;
  NodeImage image = NodeImage::Array;
  NodeImage selectedImage = NodeImage::Array;
  int parent = -1;  // node index of the array node; -1 for an array node
  int array = 0;    // array number
  int slot = -1;    // member slot; -1 for an array node
};

class ModeTree {
 public:
  // Walks array records 0..highest in use, skipping kind 0; writes the array node
  // index and member node indexes back into the records.
  void fill(DriveModel& model);

  const std::vector<ModeTreeNode>& nodes() const { return nodes_; }
  bool empty() const { return nodes_.empty(); }
  // Node index of a member, or -1 when the current tree has no such node.
  int memberNode(int array, int slot) const;
  // Sets a node's image and selected image; false when the node does not exist.
  bool setImages(int nodeIndex, NodeImage image);

 private:
  std::vector<ModeTreeNode> nodes_;
};

}  // namespace raidmon
