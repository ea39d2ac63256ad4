#pragma once

#include <QtGlobal>

// The minidump container as Windows' dump writer lays it out (little-endian throughout), with
// the stream and platform codes that Linux minidump writers add. Offsets are into each
// structure; only what the desk reads is named.
namespace CrashAnalysis::MinidumpLayout {

inline constexpr quint32 Signature = 0x504d444d; // "MDMP"

namespace Header {
inline constexpr quint32 Size = 32;
inline constexpr quint32 StreamCount = 8;
inline constexpr quint32 DirectoryRva = 12;
} // namespace Header

// A location: a size and an offset from the dump's start, each 32 bits.
inline constexpr quint32 LocationSize = 8;

namespace DirectoryEntry {
inline constexpr quint32 Size = 12;
inline constexpr quint32 Type = 0;
inline constexpr quint32 Location = 4;
} // namespace DirectoryEntry

enum StreamType : quint32 {
    ThreadListStream = 3,
    ModuleListStream = 4,
    MemoryListStream = 5,
    ExceptionStream = 6,
    SystemInfoStream = 7,
    Memory64ListStream = 9,
};

namespace SystemInfo {
inline constexpr quint32 Size = 56;
inline constexpr quint32 ProcessorArchitecture = 0; // 16 bits
inline constexpr quint32 MajorVersion = 8;
inline constexpr quint32 MinorVersion = 12;
inline constexpr quint32 BuildNumber = 16;
inline constexpr quint32 PlatformId = 20;
inline constexpr quint32 ServicePackRva = 24;
} // namespace SystemInfo

enum ProcessorArchitecture : quint16 {
    ArchitectureX86 = 0,
    ArchitectureArm = 5,
    ArchitectureAmd64 = 9,
    ArchitectureArm64 = 12,
    ArchitectureArm64Breakpad = 0x8003,
};

enum PlatformId : quint32 {
    PlatformWin32s = 0,
    PlatformWindows9x = 1,
    PlatformWindowsNt = 2,
    PlatformMacOs = 0x8101,
    PlatformIos = 0x8102,
    PlatformLinux = 0x8201,
    PlatformSolaris = 0x8202,
    PlatformAndroid = 0x8203,
};

namespace Exception {
inline constexpr quint32 Size = 168;
inline constexpr quint32 ThreadId = 0;
inline constexpr quint32 Code = 8;
inline constexpr quint32 Address = 24;
inline constexpr quint32 ParameterCount = 32;
inline constexpr quint32 Parameters = 40; // 15 of 64 bits
inline constexpr quint32 MaximumParameters = 15;
inline constexpr quint32 Context = 160; // a location
} // namespace Exception

namespace Module {
inline constexpr quint32 Size = 108;
inline constexpr quint32 Base = 0;
inline constexpr quint32 ImageSize = 8;
inline constexpr quint32 NameRva = 20;
inline constexpr quint32 VersionInfo = 24; // VS_FIXEDFILEINFO, 52 bytes
inline constexpr quint32 CodeView = 76;    // a location
} // namespace Module

namespace FixedFileInfo {
inline constexpr quint32 Signature = 0xfeef04bd;
inline constexpr quint32 FileVersionHigh = 8;
inline constexpr quint32 FileVersionLow = 12;
} // namespace FixedFileInfo

namespace CodeView {
inline constexpr quint32 Pdb70 = 0x53445352; // "RSDS": GUID, age, PDB file name
inline constexpr quint32 Pdb20 = 0x3031424e; // "NB10": offset, time stamp, age, PDB file name
inline constexpr quint32 Elf = 0x4270454c;   // "LEpB": the ELF build ID
inline constexpr quint32 Pdb70NameOffset = 24;
inline constexpr quint32 Pdb20NameOffset = 16;
} // namespace CodeView

namespace Thread {
inline constexpr quint32 Size = 48;
inline constexpr quint32 Id = 0;
inline constexpr quint32 Stack = 24;   // a memory descriptor
inline constexpr quint32 Context = 40; // a location
} // namespace Thread

// Start address (64 bits), then a location.
namespace MemoryDescriptor {
inline constexpr quint32 Size = 16;
}

// Start address and size, 64 bits each; the data lies back to back from the list's base.
namespace Memory64Descriptor {
inline constexpr quint32 Size = 16;
}

} // namespace CrashAnalysis::MinidumpLayout
