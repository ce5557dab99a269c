#pragma once
// Conversion between the program's UTF-8 texts and the UTF-16 texts of the Windows API.
// Lone surrogates (which Windows names may hold) survive a round trip: they are carried in
// UTF-8 as their three-byte generalised form, so a name read from the system can be used
// to address the same object again. Bytes that are not valid UTF-8 become U+FFFD.
#include <string>
#include <string_view>

namespace kw {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The text as valid UTF-8: lone surrogates and bytes that are not UTF-8 become U+FFFD, for
// output to people and programs that expect strict UTF-8 (never for naming system objects).
std::string ValidUtf8(std::string_view text);

// Appends one code point (or a lone surrogate) in its UTF-8 form.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace kw
