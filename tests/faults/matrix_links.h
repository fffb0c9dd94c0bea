// The links every row of a fault matrix runs on: the direct port and the bridge
// library, each in process and, where the build has the socket server, across it;
// rows that need a server to lose run on the socket links only (and do not exist
// where there is none).
#pragma once

#include <vector>

#include "support/emulated_link.h"

namespace raidmon::test {

template <class Row>
struct MatrixParam {
  Row row;
  LinkKind link;
};

template <class Row>
std::vector<MatrixParam<Row>> onEveryLink(const std::vector<Row>& rows) {
  std::vector<MatrixParam<Row>> out;
  for (const Row& row : rows) {
    for (LinkKind link : kEveryLinkKind) {
      if (row.socketOnly && !isSocket(link)) continue;
      out.push_back({row, link});
    }
  }
  return out;
}

}  // namespace raidmon::test
