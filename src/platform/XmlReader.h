#pragma once
// A forward-only XML reader with namespaces, from the system: XmlLite on Windows
// (win32/Win32XmlReader.cpp), expat elsewhere (native/NativeXmlReader.cpp). Each build links
// exactly one of them. Documents come from files anyone may write, so neither reads a document
// type declaration (no entity is ever expanded), and both stop at a depth and a size.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

struct XmlAttribute {
  std::string namespaceUri;  // empty for an attribute without a prefix
  std::string name;          // the local name
  std::string value;
};

// What the reader reports, in document order. Texts are UTF-8, entities and character
// references already replaced; namespace declarations are not reported as attributes.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void StartElement(const std::string& namespaceUri, const std::string& name,
                            const std::vector<XmlAttribute>& attributes) = 0;
  virtual void EndElement() = 0;
  // Character data inside the current element, possibly in several pieces.
  virtual void Text(std::string_view text) = 0;
};

struct XmlLimits {
  std::size_t maxBytes = 8u << 20;
  int maxDepth = 64;
};

// Reads the whole document (UTF-8, or UTF-16 with its byte-order mark) into the handler. Empty
// when it was read to its end; otherwise what was wrong, in words, and the handler has seen
// only part of it. Refused: a document larger than maxBytes, elements nested deeper than
// maxDepth, any document type declaration, and anything that is not well-formed XML.
std::string ReadXml(std::string_view document, XmlHandler& handler, const XmlLimits& limits = {});

}  // namespace kw
