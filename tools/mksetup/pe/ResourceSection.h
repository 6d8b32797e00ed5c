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
  std::vector<Blob> blobs;
  std::uint32_t size = 0;  // head, padding and data, unpadded at the end
};

// tree must be sorted (ResourceTree::Sort); sectionRva is where the section will be loaded, for
// the data entries' RVAs. Throws ToolError when the section would not fit in 32 bits.
ResourceSectionPlan PlanResourceSection(const ResourceTree& tree, std::uint32_t sectionRva);

// Writes the plan's size bytes through write, copying file-backed data piece by piece.
void WriteResourceSection(const ResourceSectionPlan& plan,
                          const std::function<void(const std::uint8_t*, std::size_t)>& write);

}  // namespace setup::mksetup
