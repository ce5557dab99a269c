#pragma once
// Text helpers. Texts are byte strings (UTF-8) addressed by 1-based byte positions.
#include <string>
#include <string_view>

namespace kw {

// The characters at positions from..to, both included; empty when to < from or from lies
// beyond the end. A start below 1 counts as 1; the end is cut at the end of the text.
std::string CopyRange(std::string_view text, int from, int to);

// Copy(text, start, count): count characters from position start, cut as CopyRange.
std::string Copy(std::string_view text, int start, int count);

// Position of the first occurrence of search that begins at from or later, counted from
// the start of text; 0 when there is none or search is empty. Case-sensitive, byte-exact.
int PosFrom(std::string_view search, std::string_view text, int from);

// text with every occurrence of search replaced, scanning left to right without overlap;
// replacements are never searched again. An empty search gives text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement);

// Removes the characters of code 0 to 32 from both ends (or one end).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// ASCII-only case mapping, as used for file names and fixed key words.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);

// Upper-cases the letters of the Latin, Greek and Cyrillic scripts in a UTF-8 text, so that
// two names can be compared without regard to letter case as the user's locale would.
// Bytes that are not valid UTF-8 are kept as they are.
std::string FoldCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// Path parts, with "\" and ":" as separators.
std::string ExtractFilePath(std::string_view path);  // up to and including the last "\" or ":"
std::string ExtractFileName(std::string_view path);  // the rest
// Replaces the extension of the file name (from its last "."), or appends ext when there is none.
std::string ChangeFileExt(std::string_view path, std::string_view ext);
// The extension of the file name, from its last "." (".lnk"); empty when there is none.
std::string ExtractFileExt(std::string_view path);

// A text for showing on screen, bounded: a text of more than maxCharacters characters (code
// points) is cut after maxCharacters and followed by "… (N characters)", N being its full
// length; a shorter one is returned as it is. Only what is shown is cut, never stored data.
std::string ShortenForDisplay(std::string_view text, size_t maxCharacters);

// Decimal text of a number, and the number of a decimal text (nullopt-free: false on failure).
bool TryStrToInt(std::string_view text, int& value);

}  // namespace kw
