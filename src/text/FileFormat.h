#pragma once
// The names, counts and letters that setup.exe, mksetup and UnInstall.EXE must agree on; each of
// them takes these from here and spells none of them itself.
//
// setup.exe carries two RCDATA resources, found by name:
//   SetupInfo  the script: the language line, kHeaderLines header lines, then the action lines
//              (D E F K R X T, by their first letter in either case)
//   SetupData  the payload, entries back to back:
//     entry  = u32 EntryLength, body of EntryLength bytes
//     body   = u32 BlockCount, BlockCount blocks
//     block  = u32 BlockLength, one complete zlib stream
//   Entry 0 is the licence text, entry n the file of the n-th F line. The builder cuts a file into
//   pieces of kPieceSize bytes, one block each. Every u32 is little-endian and read as a signed
//   32-bit value, so none may exceed kLargestCount.
//
// UnInstall.LOG, in the destination folder beside UnInstall.EXE: one record a line, each ended
// by CR LF, its kind the first letter:
//   N<product name>
//   L<G|E|F>             the language of the installation
//   D<folder>\           a folder the run created
//   F<path>              a file (or shortcut) the run wrote
//   X<extension>         a file type the run registered
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace setup {

inline constexpr const char* kScriptResource = "SetupInfo";
inline constexpr const char* kPayloadResource = "SetupData";

// The header lines after the language line; the action lines start after them.
inline constexpr std::size_t kHeaderLines = 8;
inline constexpr std::size_t kLeadingLines = 1 + kHeaderLines;

inline constexpr std::uint32_t kPieceSize = 2000000;
inline constexpr std::uint32_t kLargestCount = 2147483647;

// The action lines' letters (upper case).
inline constexpr char kFolderAction = 'D';
inline constexpr char kExecuteAction = 'E';
inline constexpr char kFileAction = 'F';
inline constexpr char kShortcutAction = 'K';
inline constexpr char kRegistryAction = 'R';
inline constexpr char kFileTypeAction = 'X';
inline constexpr char kCaptionAction = 'T';  // add-on captions, read at start-up

inline constexpr const char* kLogFileName = "UnInstall.LOG";
inline constexpr const char* kUninstallerFileName = "UnInstall.EXE";
// The uninstall registration's value that holds the SHA-256 of the log's bytes as saved, in
// lower-case hex. Windows and the tools that list installed programs read only the values they
// know, so one more REG_SZ changes nothing for them.
inline constexpr const char* kLogDigestValue = "UninstallLogSha256";
// Extensions whose file type Windows itself needs, in upper case: mksetup check refuses a script
// that registers one, and the uninstaller never removes one, whatever a log says.
inline constexpr std::string_view kSystemExtensions[] = {
    "EXE", "COM", "BAT", "CMD", "LNK", "PIF",  "SCR", "DLL", "SYS",
    "MSI", "REG", "TXT", "INI", "HTM", "HTML", "VBS", "VBE", "JS",
    "JSE", "WSF", "WSH", "HTA", "CPL", "INF",  "URL", "MSP", "OCX"};

// The records' letters of UnInstall.LOG.
inline constexpr char kProductRecord = 'N';
inline constexpr char kLanguageRecord = 'L';
inline constexpr char kFolderRecord = 'D';
inline constexpr char kFileRecord = 'F';
inline constexpr char kFileTypeRecord = 'X';

}  // namespace setup
