// The XML reader through XmlLite, Windows' own forward-only reader. xmllite.dll is loaded from
// the system folder (SystemLibraries), so a copy planted beside the program is never used.
#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <cstdio>

#include "platform/XmlReader.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideString.h"

namespace kw {

namespace {

using win32::ComPtr;

constexpr wchar_t kXmlnsNamespace[] = L"http://www.w3.org/2000/xmlns/";

std::string Hresult(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

std::string Text(const wchar_t* text, UINT length) { return text ? win32::Narrow(std::wstring_view(text, length)) : ""; }

// The namespace and local name of the node the reader is on.
bool Names(IXmlReader& reader, std::string& namespaceUri, std::string& name, bool& declaration) {
  const wchar_t* uri = nullptr;
  const wchar_t* local = nullptr;
  UINT uriLength = 0, localLength = 0;
  if (FAILED(reader.GetNamespaceUri(&uri, &uriLength)) || FAILED(reader.GetLocalName(&local, &localLength)))
    return false;
  declaration = uri && std::wstring_view(uri, uriLength) == kXmlnsNamespace;
  namespaceUri = Text(uri, uriLength);
  name = Text(local, localLength);
  return true;
}

}  // namespace

std::string ReadXml(std::string_view document, XmlHandler& handler, const XmlLimits& limits) {
  if (document.size() > limits.maxBytes) return "the document is too large";
  ComPtr<IStream> stream;
  *stream.put() = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(document.data()), static_cast<UINT>(document.size()));
  ComPtr<IXmlReader> reader;
  if (!stream || FAILED(win32::sys::CreateXmlReader(__uuidof(IXmlReader), reader.put_void(), nullptr)) || !reader)
    return "the XML reader cannot be started";
  // No document type declaration is read, so no entity is defined or expanded.
  if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, static_cast<LONG_PTR>(limits.maxDepth))) ||
      FAILED(reader->SetInput(stream.get())))
    return "the XML reader cannot be started";

  int depth = 0;
  XmlNodeType type = XmlNodeType_None;
  HRESULT result;
  // Every node takes at least one byte of the document: a reader that reports more nodes than
  // that is going round in circles (Wine's does at the end of some documents cut short).
  size_t nodes = 0;
  while ((result = reader->Read(&type)) == S_OK) {
    if (++nodes > document.size() + 1) return "not well-formed XML (it ends too early)";
    switch (type) {
      case XmlNodeType_Element: {
        std::string namespaceUri, name;
        bool declaration = false;
        if (!Names(*reader.get(), namespaceUri, name, declaration)) return "the XML reader failed";
        const bool empty = reader->IsEmptyElement();
        if (++depth > limits.maxDepth) return "elements are nested too deeply";
        std::vector<XmlAttribute> attributes;
        for (HRESULT at = reader->MoveToFirstAttribute(); at == S_OK; at = reader->MoveToNextAttribute()) {
          XmlAttribute attribute;
          if (!Names(*reader.get(), attribute.namespaceUri, attribute.name, declaration))
            return "the XML reader failed";
          if (declaration) continue;  // xmlns and xmlns:prefix declare namespaces
          const wchar_t* value = nullptr;
          UINT length = 0;
          if (FAILED(reader->GetValue(&value, &length))) return "the XML reader failed";
          attribute.value = Text(value, length);
          attributes.push_back(std::move(attribute));
        }
        reader->MoveToElement();
        handler.StartElement(namespaceUri, name, attributes);
        if (empty) {
          --depth;
          handler.EndElement();
        }
        break;
      }
      case XmlNodeType_EndElement:
        --depth;
        handler.EndElement();
        break;
      case XmlNodeType_Text:
      case XmlNodeType_CDATA:
      case XmlNodeType_Whitespace: {
        const wchar_t* value = nullptr;
        UINT length = 0;
        if (FAILED(reader->GetValue(&value, &length))) return "the XML reader failed";
        handler.Text(Text(value, length));
        break;
      }
      case XmlNodeType_DocumentType: return "a document type declaration is not accepted";
      default: break;
    }
  }
  if (FAILED(result)) {
    UINT line = 0;
    reader->GetLineNumber(&line);
    if (result == static_cast<HRESULT>(WC_E_DTDPROHIBITED)) return "a document type declaration is not accepted";
    if (result == static_cast<HRESULT>(SC_E_MAXELEMENTDEPTH)) return "elements are nested too deeply";
    return "not well-formed XML (error " + Hresult(result) + ", line " + std::to_string(line) + ")";
  }
  return {};
}

}  // namespace kw
