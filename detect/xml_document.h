// A small read-only reader for the XML dialect of the detection database and of the small
// downloaded description files: elements and attributes only, plus value elements
// (<NAME="text">, no closing tag). Values stay in the caller's buffer and are decoded
// (references, UTF-8) only when read, so the caller's text must outlive every read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qws {

inline constexpr int kXmlElement = 5;
inline constexpr int kXmlValue = 6;
// Longest element or attribute name, in characters.
inline constexpr size_t kXmlMaxNameChars = 49;

struct _XML_NODE {
  int32_t kind = kXmlElement;
  char16_t name[kXmlMaxNameChars + 1] = {};
  size_t valueStart = 0;  // raw value text, byte offsets into the source (value nodes)
  size_t valueEnd = 0;
  _XML_NODE* firstChild = nullptr;
  _XML_NODE* nextSibling = nullptr;
  _XML_NODE* parent = nullptr;
  _XML_NODE* lastChild = nullptr;  // so that appending a child needs no walk
};
using XmlNode = _XML_NODE;

// Where a walk over the children of one element stands. Starts before the first child; once
// the walk has passed the last one it stays at the end.
struct XmlCursor {
  const XmlNode* position = nullptr;
  bool atEnd = false;
};

class XmlDocument;

// A new empty document, or null when memory is short.
XmlDocument* CreateXml();
// 0 on success; 1 on any syntax error, on an already filled document, or when the text holds no
// complete element. length -1 reads up to the first NUL byte. A failed parse leaves the
// document empty.
int ParseXml(XmlDocument* document, const char* text, ptrdiff_t length);
const XmlNode* RootElement(const XmlDocument* document);
const XmlNode* NextChildElement(const XmlNode* element, XmlCursor& cursor);
// The next value child whose name equals `name`, ASCII case ignored.
const XmlNode* FindValueNode(const XmlNode* element, const char16_t* name, XmlCursor& cursor);
// Decodes the value into buffer; capacity is the buffer's size in characters and becomes the
// number of characters written, terminator included. 1 when the buffer is too small (nothing
// is truncated) or the raw text does not decode.
int ReadValue(const XmlDocument* document, const XmlNode* value, char16_t* buffer,
              size_t* capacity);
// The first value called `name`, read as ReadValue reads it; 1 when there is none.
int ReadNamedValue(const XmlDocument* document, const XmlNode* element, const char16_t* name,
                   char16_t* buffer, size_t* capacity);
// The first child element named "DATABASE", ASCII case ignored.
const XmlNode* FindDatabaseElement(const XmlNode* element);
// The value "VALUE" (1 to 16 hexadecimal digits of either case) as a number; false otherwise.
bool ReadHexValue(const XmlDocument* document, const XmlNode* element, uint64_t* number);
void CloseXml(XmlDocument* document);

// Whether two names are equal, ASCII case ignored.
bool XmlNameEquals(const char16_t* a, const char16_t* b);

// Owns a document and closes it.
struct XmlDocumentCloser {
  void operator()(XmlDocument* document) const { CloseXml(document); }
};
using XmlDocumentPtr = std::unique_ptr<XmlDocument, XmlDocumentCloser>;

// A value as text when it decodes into at most maxChars characters (terminator not counted).
bool ReadValueText(const XmlDocument* document, const XmlNode* value, size_t maxChars,
                   std::u16string* text);
bool ReadNamedValueText(const XmlDocument* document, const XmlNode* element, const char16_t* name,
                        size_t maxChars, std::u16string* text);

}  // namespace qws
