#pragma once
// A rich-text pane that records its lines as styled runs.
#include <optional>
#include <string>
#include <vector>

#include "platform/RichTextPane.h"

namespace kw {

class MemoryRichTextPane : public RichTextPane {
 public:
  struct Run {
    std::string text;
    std::optional<TPrintStyle> style;  // none: the pane's own look
  };
  using Line = std::vector<Run>;

  void Clear() override {
    lines.clear();
    rtf.reset();
  }
  void BeginUpdate() override { ++updateDepth; }
  void EndUpdate() override { --updateDepth; }
  void AppendLine(const std::string& text) override {
    lines.push_back(text.empty() ? Line{} : Line{Run{text, std::nullopt}});
  }
  void AppendToLastLine(const std::string& text, const TPrintStyle& style) override {
    if (lines.empty()) lines.emplace_back();
    lines.back().push_back(Run{text, style});
  }
  bool LoadRichText(const std::string& document) override {
    if (document.rfind("{\\rtf", 0) != 0) return false;
    lines.clear();
    rtf = document;
    return true;
  }

  // The text of a line, runs joined.
  std::string Text(size_t line) const {
    std::string text;
    for (const Run& run : lines.at(line)) text += run.text;
    return text;
  }

  std::vector<Line> lines;
  std::optional<std::string> rtf;
  int updateDepth = 0;
};

}  // namespace kw
