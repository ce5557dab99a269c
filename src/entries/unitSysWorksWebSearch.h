#pragma once
// The web search for an entry: an internet shortcut to a search page, opened by the shell.
#include <string>
#include <vector>

#include "entries/unitAppList.h"

namespace kw {

// The number of positions of text that hold c.
int CountChar(char c, const std::string& text);

// Percent-encodes, byte by byte, blanks, "*", "#", "%", "<", ">", bytes below 32 and bytes
// of 128 and above (upper-case hexadecimal digits); everything else passes unchanged.
std::string UrlEncode(const std::string& text);

// Searches the web for the entry's product and company names, or its caption when both are
// empty, each cut to at most two words and before the first "(", ",", "." or "[".
void SearchWebForEntry(const TAppItem& entry, Platform& platform, const std::string& programFolder);

// Joins the words into a query (quoting those with blanks or quotes), writes the internet
// shortcut "search.url" (into programFolder, or the user's temporary folder when that is not
// writable) and opens it. words is reused for the file's lines.
void WebSearch(std::vector<std::string>& words, Platform& platform, const std::string& programFolder);

}  // namespace kw
