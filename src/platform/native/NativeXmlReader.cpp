// The XML reader through expat, for the native build.
#include <expat.h>

#include <exception>
#include <memory>

#include "platform/XmlReader.h"

namespace kw {

namespace {

// expat joins a namespace and a local name with this character; no name can hold it.
constexpr char kSeparator = '\x01';

struct Reading {
  XML_Parser parser;
  XmlHandler& handler;
  const XmlLimits& limits;
  int depth = 0;
  std::string problem;
  std::exception_ptr error;  // raised by the handler, carried out of expat's callbacks

  void Stop(std::string why) {
    if (problem.empty()) problem = std::move(why);
    XML_StopParser(parser, XML_FALSE);
  }
};

void Split(const XML_Char* qualified, std::string& namespaceUri, std::string& name) {
  const std::string text(qualified);
  const size_t at = text.find(kSeparator);
  if (at == std::string::npos) {
    namespaceUri.clear();
    name = text;
  } else {
    namespaceUri = text.substr(0, at);
    name = text.substr(at + 1);
  }
}

// Each callback catches everything: nothing may unwind through expat's C frames.
template <typename Body>
void Guarded(void* data, Body body) {
  auto& reading = *static_cast<Reading*>(data);
  if (reading.error || !reading.problem.empty()) return;
  try {
    body(reading);
  } catch (...) {
    reading.error = std::current_exception();
    XML_StopParser(reading.parser, XML_FALSE);
  }
}

void XMLCALL OnStart(void* data, const XML_Char* qualified, const XML_Char** attributes) {
  Guarded(data, [&](Reading& reading) {
    if (++reading.depth > reading.limits.maxDepth) return reading.Stop("elements are nested too deeply");
    std::string namespaceUri, name;
    Split(qualified, namespaceUri, name);
    std::vector<XmlAttribute> list;
    for (const XML_Char** at = attributes; at[0]; at += 2) {
      XmlAttribute& attribute = list.emplace_back();
      Split(at[0], attribute.namespaceUri, attribute.name);
      attribute.value = at[1];
    }
    reading.handler.StartElement(namespaceUri, name, list);
  });
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
  Guarded(data, [](Reading& reading) {
    --reading.depth;
    reading.handler.EndElement();
  });
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
  Guarded(data, [&](Reading& reading) { reading.handler.Text(std::string_view(text, static_cast<size_t>(length))); });
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  Guarded(data, [](Reading& reading) { reading.Stop("a document type declaration is not accepted"); });
}

struct ParserDeleter {
  void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

}  // namespace

std::string ReadXml(std::string_view document, XmlHandler& handler, const XmlLimits& limits) {
  if (document.size() > limits.maxBytes) return "the document is too large";
  std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreateNS(nullptr, kSeparator));
  if (!parser) return "the XML reader cannot be started";
  Reading reading{parser.get(), handler, limits, 0, {}, {}};
  XML_SetUserData(parser.get(), &reading);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  XML_SetStartDoctypeDeclHandler(parser.get(), OnDoctype);
  // No external entity or DTD is ever fetched.
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  const XML_Status status = XML_Parse(parser.get(), document.data(), static_cast<int>(document.size()), XML_TRUE);
  if (reading.error) std::rethrow_exception(reading.error);
  if (!reading.problem.empty()) return reading.problem;
  if (status != XML_STATUS_OK)
    return std::string("not well-formed XML (") + XML_ErrorString(XML_GetErrorCode(parser.get())) + ", line " +
           std::to_string(XML_GetCurrentLineNumber(parser.get())) + ")";
  return {};
}

}  // namespace kw
