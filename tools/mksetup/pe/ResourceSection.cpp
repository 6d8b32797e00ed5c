#include "pe/ResourceSection.h"

#include "io/ToolError.h"

namespace setup::mksetup {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint64_t kDirectoryHeader = 16, kEntrySize = 8, kDataEntrySize = 16;
constexpr std::uint64_t kDataAlignment = 8;

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

void Put16(std::vector<std::uint8_t>& out, std::uint64_t at, std::uint16_t value) {
  out[at] = static_cast<std::uint8_t>(value);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::uint64_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The offsets of everything in the head, counted in a first pass.
struct HeadLayout {
  std::uint64_t directories = 0;  // end of all directory tables
  std::uint64_t dataEntries = 0;  // end of the data entries
  std::uint64_t names = 0;        // end of the name strings
};

std::uint64_t DirectorySize(std::size_t entries) {
  return kDirectoryHeader + kEntrySize * entries;
}

std::uint64_t NameSize(const ResourceId& id) {
  return id.isName ? 2 + 2 * id.name.size() : 0;
}

class HeadWriter {
 public:
  HeadWriter(std::vector<std::uint8_t>& head, std::uint64_t namesStart)
      : head_(head), nextName_(namesStart) {}

  // A directory header with its counts; returns where its first entry goes.
  template <typename Items, typename IdOf>
  std::uint64_t Directory(std::uint64_t at, const Items& items, IdOf idOf) {
    std::uint16_t named = 0;
    for (const auto& item : items) named += idOf(item).isName ? 1 : 0;
    Put16(head_, at + 12, named);
    Put16(head_, at + 14, static_cast<std::uint16_t>(items.size() - named));
    return at + kDirectoryHeader;
  }

  void Entry(std::uint64_t at, const ResourceId& id, std::uint32_t target) {
    Put32(head_, at, id.isName ? (kHighBit | Name(id)) : id.number);
    Put32(head_, at + 4, target);
  }

 private:
  std::uint32_t Name(const ResourceId& id) {
    const std::uint64_t at = nextName_;
    Put16(head_, at, static_cast<std::uint16_t>(id.name.size()));
    for (std::size_t i = 0; i < id.name.size(); ++i) Put16(head_, at + 2 + 2 * i, id.name[i]);
    nextName_ += NameSize(id);
    return static_cast<std::uint32_t>(at);
  }

  std::vector<std::uint8_t>& head_;
  std::uint64_t nextName_;
};

HeadLayout CountHead(const ResourceTree& tree) {
  HeadLayout layout;
  std::uint64_t leaves = 0, names = 0;
  layout.directories = DirectorySize(tree.types.size());
  for (const ResourceType& type : tree.types) {
    names += NameSize(type.id);
    layout.directories += DirectorySize(type.names.size());
    for (const ResourceName& name : type.names) {
      names += NameSize(name.id);
      layout.directories += DirectorySize(name.languages.size());
      leaves += name.languages.size();
    }
  }
  layout.dataEntries = layout.directories + kDataEntrySize * leaves;
  layout.names = layout.dataEntries + names;
  return layout;
}

}  // namespace

ResourceSectionPlan PlanResourceSection(const ResourceTree& tree, std::uint32_t sectionRva) {
  const HeadLayout layout = CountHead(tree);
  ResourceSectionPlan plan;
  plan.head.assign(layout.names, 0);
  HeadWriter writer(plan.head, layout.dataEntries);

  std::uint64_t nextDirectory = DirectorySize(tree.types.size());
  std::uint64_t nextDataEntry = layout.directories;
  std::uint64_t nextData = AlignUp(layout.names, kDataAlignment);
  auto idOf = [](const auto& item) -> const ResourceId& { return item.id; };

  const ResourceData* streamed = nullptr;
  std::uint64_t typeEntry = writer.Directory(0, tree.types, idOf);
  for (const ResourceType& type : tree.types) {
    const std::uint64_t typeDirectory = nextDirectory;
    nextDirectory += DirectorySize(type.names.size());
    writer.Entry(typeEntry, type.id, kHighBit | static_cast<std::uint32_t>(typeDirectory));
    typeEntry += kEntrySize;
    std::uint64_t nameEntry = writer.Directory(typeDirectory, type.names, idOf);
    for (const ResourceName& name : type.names) {
      const std::uint64_t nameDirectory = nextDirectory;
      nextDirectory += DirectorySize(name.languages.size());
      writer.Entry(nameEntry, name.id, kHighBit | static_cast<std::uint32_t>(nameDirectory));
      nameEntry += kEntrySize;
      std::uint64_t languageEntry = writer.Directory(
          nameDirectory, name.languages,
          [](const ResourceLeaf& leaf) -> const ResourceId& { return leaf.language; });
      for (const ResourceLeaf& leaf : name.languages) {
        writer.Entry(languageEntry, leaf.language, static_cast<std::uint32_t>(nextDataEntry));
        languageEntry += kEntrySize;
        if (leaf.data.streamed) {
          if (streamed) throw ToolError("an executable can have one streamed resource only");
          streamed = &leaf.data;
          plan.streamedEntry = static_cast<std::uint32_t>(nextDataEntry);
          Put32(plan.head, nextDataEntry + 8, leaf.data.codePage);
          nextDataEntry += kDataEntrySize;
          continue;
        }
        const std::uint64_t rva = sectionRva + nextData;
        if (rva + leaf.data.Size() > 0xFFFFFFFFull) {
          throw ToolError("the resources do not fit in a 32-bit image");
        }
        Put32(plan.head, nextDataEntry, static_cast<std::uint32_t>(rva));
        Put32(plan.head, nextDataEntry + 4, leaf.data.Size());
        Put32(plan.head, nextDataEntry + 8, leaf.data.codePage);
        nextDataEntry += kDataEntrySize;
        plan.blobs.push_back({static_cast<std::uint32_t>(nextData), &leaf.data});
        nextData = AlignUp(nextData + leaf.data.Size(), kDataAlignment);
      }
    }
  }
  if (streamed) {
    if (sectionRva + nextData > 0xFFFFFFFFull) {
      throw ToolError("the resources do not fit in a 32-bit image");
    }
    Put32(plan.head, plan.streamedEntry, static_cast<std::uint32_t>(sectionRva + nextData));
    plan.blobs.push_back({static_cast<std::uint32_t>(nextData), streamed});
  }
  const std::uint64_t end =
      plan.blobs.empty() ? layout.names : plan.blobs.back().offset + plan.blobs.back().data->Size();
  plan.size = static_cast<std::uint32_t>(end);
  return plan;
}

void WriteResourceData(const ResourceSectionPlan& plan,
                       const std::function<void(const std::uint8_t*, std::size_t)>& write) {
  std::uint64_t written = plan.head.size();
  const std::uint8_t zeros[kDataAlignment] = {};
  for (const ResourceSectionPlan::Blob& blob : plan.blobs) {
    write(zeros, blob.offset - written);
    if (blob.data->streamed) break;  // the last
    write(blob.data->bytes.data(), blob.data->bytes.size());
    written = blob.offset + blob.data->Size();
  }
}

}  // namespace setup::mksetup
