#pragma once
// The Windows numbers the logic works with, kept here so that no portable unit needs a
// Windows header. The values are those of the Windows SDK.
#include <cstdint>

namespace kw {

// Registry roots.
using RootKey = std::uint32_t;
inline constexpr RootKey kHkeyCurrentUser = 0x80000001u;
inline constexpr RootKey kHkeyLocalMachine = 0x80000002u;

// Registry value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Special folders.
inline constexpr int kCsidlStartup = 7;
inline constexpr int kCsidlStartMenu = 11;
inline constexpr int kCsidlCommonStartup = 24;

// Window show commands.
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShowMaximized = 3;
inline constexpr int kSwShow = 5;
inline constexpr int kSwShowMinNoActive = 7;

// A list-view item without an image (I_IMAGENONE); -1 (I_IMAGECALLBACK) would make the list
// view ask its owner for the image instead.
inline constexpr int kImageNone = -2;

// Virtual keys.
inline constexpr int kVkF1 = 0x70;
inline constexpr int kVkF3 = 0x72;
inline constexpr int kVkF5 = 0x74;
inline constexpr int kVkDelete = 0x2E;

}  // namespace kw
