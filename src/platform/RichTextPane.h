#pragma once
// A rich-text pane that reports are written into as lines of styled runs.
#include <cstdint>
#include <string>

namespace kw {

// Font styles, as a set of bits.
enum TFontStyle : std::uint8_t {
  fsBold = 1,
  fsItalic = 2,
  fsUnderline = 4,
  fsStrikeOut = 8,
};

// The look of a run of text.
struct TPrintStyle {
  std::uint32_t Color = 0;  // 0x00BBGGRR
  std::uint8_t Style = 0;   // TFontStyle bits
  std::string Name;         // font face
  int Size = 10;            // points
};

class RichTextPane {
 public:
  virtual ~RichTextPane() = default;
  // Removes all text.
  virtual void Clear() = 0;
  // No repainting between the two.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  // Adds a new last line holding text in the pane's own look.
  virtual void AppendLine(const std::string& text) = 0;
  // Appends text to the end of the last line (making one when the pane is empty) in style;
  // the text before it keeps its own look.
  virtual void AppendToLastLine(const std::string& text, const TPrintStyle& style) = 0;
  // Replaces the whole content with a rich-text (RTF) document; false when it is not one.
  virtual bool LoadRichText(const std::string& rtf) = 0;
};

// Appends a styled run to the last line.
void AppendStyled(RichTextPane& pane, const std::string& text, const TPrintStyle& style);
// AppendStyled, then begins a new, empty last line.
void AppendStyledLine(RichTextPane& pane, const std::string& text, const TPrintStyle& style);

}  // namespace kw
