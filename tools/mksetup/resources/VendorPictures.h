#pragma once
// The vendor's own pictures in place of the stub's: mksetup build --pictures DIR takes the files
// of PictureSlots() from DIR, --icon FILE.ico the icon Explorer shows for setup.exe. Every file
// is checked as the dialog will show it before anything is written; what is not given keeps the
// stub's picture.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "check/Findings.h"
#include "pe/ResourceTree.h"
#include "text/Bytes.h"

namespace setup::mksetup {

inline constexpr std::uint16_t kRtBitmap = 2;
inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtGroupIcon = 14;
// The icon group Explorer shows: the first of the file, and named groups sort first.
inline constexpr const char* kExplorerIconGroup = "MAINICON";

// One picture of the dialog a vendor may replace.
struct PictureSlot {
  const char* fileName;  // in the --pictures folder, letters in any case
  const char* role;      // for messages: "the banner"
  std::uint16_t resourceId;
  bool isIcon;  // an ICON group holding a width x height image; else a BITMAP of that size
  int width, height;
  std::vector<int> depths;  // bits per pixel the dialog shows it in
  const char* depthReason;  // why only those, for the message; may be empty
};
const std::vector<PictureSlot>& PictureSlots();

struct IconImage {
  std::uint8_t width = 0, height = 0, colourCount = 0;  // as the directory has them (0: 256)
  std::uint16_t bitCount = 0;
  bool png = false;
  std::vector<std::uint8_t> bytes;
};

struct VendorPicture {
  const PictureSlot* slot = nullptr;  // nullptr: the --icon, Explorer's group
  std::string file;
  std::vector<std::uint8_t> bitmap;  // the packed bitmap a BITMAP resource holds
  std::vector<IconImage> icon;
};

// A BMP file as the packed bitmap (40-byte header, palette, pixels) that a BITMAP resource
// holds, or nothing with reason set when the dialog could not show it as slot.
std::optional<std::vector<std::uint8_t>> PackedBitmap(ByteSpan file, const PictureSlot& slot,
                                                      std::string& reason);

// The images of an ICO file, or nothing with reason set when its structure is broken.
// forPage: the icon page's icon, which needs a width x height bitmap image of slot; otherwise
// Explorer's, which needs one bitmap image (not only PNG ones) of any size.
std::optional<std::vector<IconImage>> ReadIconFile(ByteSpan file, const PictureSlot* forPage,
                                                   std::string& reason);

// Reads and checks the pictures of folder and the icon; each problem is one error finding
// naming its file (code "picture"). Only the pictures that passed are returned.
std::vector<VendorPicture> ReadVendorPictures(const std::optional<std::filesystem::path>& folder,
                                              const std::optional<std::filesystem::path>& icon,
                                              std::vector<Finding>& findings);

// The stub's resources with those pictures in place; each keeps the language the stub gave it.
void ApplyVendorPictures(const std::vector<VendorPicture>& pictures, ResourceTree& tree);

// Whose each picture of a built setup.exe is: its file name (Explorer's icon "--icon ...") and
// "the product's own" where it differs from the stub's, "the stub's", or "missing".
struct PictureOrigin {
  const PictureSlot* slot;  // nullptr: Explorer's icon
  std::string name, origin;
  bool own;
};
std::vector<PictureOrigin> PictureOrigins(ByteSpan built, const std::string& builtName,
                                          ByteSpan stub, const std::string& stubName);

// The product's own pictures of a built setup.exe (those PictureOrigins calls so) as the files
// build takes back: a file name of PictureSlots() or kExplorerIconFile, and its bytes.
inline constexpr const char* kExplorerIconFile = "setup.ico";
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> OwnPictureFiles(
    ByteSpan built, const std::string& builtName, ByteSpan stub, const std::string& stubName);

// The stub build takes for the architecture of built (x86 when it is neither): what its pictures
// are told apart from when no --stub is given.
std::optional<std::filesystem::path> StubOfTheSameArchitecture(ByteSpan built,
                                                               const std::string& builtName);

// mksetup list's "Pictures" table, against stub or, without one, the stub build would take;
// a line saying so when there is none.
void PrintPictureOrigins(std::FILE* out, ByteSpan built, const std::string& builtName,
                         const std::optional<std::filesystem::path>& stub);

}  // namespace setup::mksetup
