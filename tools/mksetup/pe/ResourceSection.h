#pragma once
// Serialisation of a resource tree into the bytes of a resource section.
#include <cstdint>
#include <functional>
#include <vector>

#include "pe/ResourceTree.h"

namespace setup::mksetup {

// The section as a head (directory tables, data entries, names) and the leaves' data, each at
// an 8-byte aligned offset after the head.
struct ResourceSectionPlan {
  std::vector<std::uint8_t> head;
  struct Blob {
    std::uint32_t offset;
    const ResourceData* data;
  };
  std::vector<Blob> blobs;  // a streamed leaf's last of all, whatever its place in the tree
  std::uint32_t size = 0;   // head, padding and data, unpadded at the end
  // The data entry of the streamed leaf, whose size is written once its bytes are: its offset
  // in head; 0 when there is no such leaf.
  std::uint32_t streamedEntry = 0;
};

// tree must be sorted (ResourceTree::Sort); sectionRva is where the section will be loaded, for
// the data entries' RVAs. A streamed leaf's data is placed last, so that nothing waits for its
// size; there may be one. Throws ToolError when the section would not fit in 32 bits.
ResourceSectionPlan PlanResourceSection(const ResourceTree& tree, std::uint32_t sectionRva);

// What follows the plan's head, through write: the leaves' data and the padding between them, up
// to the streamed leaf's bytes (which come last, from the caller).
void WriteResourceData(const ResourceSectionPlan& plan,
                       const std::function<void(const std::uint8_t*, std::size_t)>& write);

}  // namespace setup::mksetup
