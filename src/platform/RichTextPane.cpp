#include "platform/RichTextPane.h"

namespace kw {

void AppendStyled(RichTextPane& pane, const std::string& text, const TPrintStyle& style) {
  pane.AppendToLastLine(text, style);
}

void AppendStyledLine(RichTextPane& pane, const std::string& text, const TPrintStyle& style) {
  AppendStyled(pane, text, style);
  pane.AppendLine("");
}

}  // namespace kw
