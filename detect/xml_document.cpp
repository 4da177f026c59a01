#include "detect/xml_document.h"

#include <cstring>
#include <new>
#include <vector>

namespace qws {

namespace {

// Hands out nodes from blocks that double in size (8, 16, 32, ...): a parse of the whole
// detection database makes a few dozen allocations. All nodes go back together.
class NodePool {
 public:
  XmlNode* Take() {
    if (used_ == capacity_) {
      const size_t next = capacity_ == 0 ? 8 : capacity_ * 2;
      std::unique_ptr<XmlNode[]> block(new (std::nothrow) XmlNode[next]);
      if (!block) return nullptr;
      try {
        blocks_.push_back(std::move(block));
      } catch (const std::bad_alloc&) {
        return nullptr;
      }
      capacity_ = next;
      used_ = 0;
    }
    XmlNode* node = &blocks_.back()[used_++];
    *node = XmlNode{};
    return node;
  }
  void ReleaseAll() {
    blocks_.clear();
    capacity_ = used_ = 0;
  }

 private:
  std::vector<std::unique_ptr<XmlNode[]>> blocks_;
  size_t capacity_ = 0;
  size_t used_ = 0;
};

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

bool IsNameChar(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

void Append(XmlNode* parent, XmlNode* child) {
  child->parent = parent;
  if (parent->lastChild) {
    parent->lastChild->nextSibling = child;
  } else {
    parent->firstChild = child;
  }
  parent->lastChild = child;
}

}  // namespace

class XmlDocument {
 public:
  int Parse(const char* text, size_t length);
  const XmlNode* Root() const { return document_.firstChild; }
  int Read(const XmlNode* value, char16_t* buffer, size_t* capacity) const;

 private:
  enum class Item { Error, Element, ValueElement, Attribute, Closed, EndOfStartTag };
  enum class NameEnd { Error, Space, Greater, Equals, Slash };

  // Markup mode: tabs read as spaces, line ends are skipped. -1 at the end of the text.
  int Peek() {
    while (pos_ < length_ && (text_[pos_] == '\r' || text_[pos_] == '\n')) ++pos_;
    if (pos_ >= length_) return -1;
    const unsigned char c = static_cast<unsigned char>(text_[pos_]);
    return c == '\t' ? ' ' : c;
  }
  int Get() {
    const int c = Peek();
    if (c >= 0) ++pos_;
    return c;
  }
  void SkipSpaces() {
    while (Peek() == ' ') ++pos_;
  }
  NameEnd ReadName(char16_t* name);
  bool ReadQuoted(size_t* start, size_t* end);
  bool ReadDeclaration();
  Item ReadItem(char16_t* name, size_t* start, size_t* end);
  XmlNode* NewNode(int kind, const char16_t* name, XmlNode* parent);

  const char* text_ = nullptr;
  size_t length_ = 0;
  size_t pos_ = 0;
  XmlNode document_;
  NodePool pool_;
};

XmlDocument::NameEnd XmlDocument::ReadName(char16_t* name) {
  size_t count = 0;
  for (;;) {
    const int c = Get();
    // "<a/>": the slash ends the name and is read again as the end of the element.
    if (c == '/' && count > 0) {
      --pos_;
      name[count] = u'\0';
      return NameEnd::Slash;
    }
    if (c == ' ' || c == '>' || c == '=') {
      name[count] = u'\0';
      // A name needs at least one character.
      if (count == 0) return NameEnd::Error;
      return c == ' ' ? NameEnd::Space : c == '>' ? NameEnd::Greater : NameEnd::Equals;
    }
    if (c < 0 || !IsNameChar(static_cast<unsigned char>(c)) || count == kXmlMaxNameChars) {
      return NameEnd::Error;
    }
    name[count++] = static_cast<char16_t>(c);
  }
}

// After the '=' of an attribute or value element: optional spaces and a double-quoted text.
bool XmlDocument::ReadQuoted(size_t* start, size_t* end) {
  SkipSpaces();
  if (Get() != '"') return false;
  *start = pos_;
  for (;;) {
    const int c = Peek();
    if (c < 0) return false;
    if (c == '"') {
      *end = pos_;
      ++pos_;
      return true;
    }
    ++pos_;
  }
}

// After "<?": the name "xml", a first attribute version="1.0", any further attributes, "?>".
bool XmlDocument::ReadDeclaration() {
  char16_t name[kXmlMaxNameChars + 1];
  if (ReadName(name) != NameEnd::Space || !XmlNameEquals(name, u"xml")) return false;
  bool first = true;
  for (;;) {
    SkipSpaces();
    if (Peek() == '?') {
      if (first) return false;
      ++pos_;
      SkipSpaces();
      return Get() == '>';
    }
    size_t start = 0, end = 0;
    if (ReadName(name) != NameEnd::Equals || !ReadQuoted(&start, &end)) return false;
    if (first) {
      if (!XmlNameEquals(name, u"version") || end - start != 3 ||
          std::memcmp(text_ + start, "1.0", 3) != 0) {
        return false;
      }
      first = false;
    }
  }
}

XmlDocument::Item XmlDocument::ReadItem(char16_t* name, size_t* start, size_t* end) {
  SkipSpaces();
  const int c = Get();
  if (c < 0) return Item::Error;
  if (c == '<') {
    if (Peek() == '/') {
      ++pos_;
      const NameEnd ended = ReadName(name);
      // "</name >" leaves its '>' to be read as the end of a start tag, which is ignored.
      return ended == NameEnd::Greater || ended == NameEnd::Space ? Item::Closed : Item::Error;
    }
    switch (ReadName(name)) {
      case NameEnd::Slash:
      case NameEnd::Space:
      case NameEnd::Greater:
        return Item::Element;
      case NameEnd::Equals:
        if (!ReadQuoted(start, end)) return Item::Error;
        for (int skipped = Get(); skipped != '>'; skipped = Get()) {
          if (skipped < 0) return Item::Error;
        }
        return Item::ValueElement;
      case NameEnd::Error:
        return Item::Error;
    }
    return Item::Error;
  }
  if (c == '/') {
    SkipSpaces();
    return Get() == '>' ? Item::Closed : Item::Error;
  }
  if (c == '>') return Item::EndOfStartTag;
  --pos_;  // the attribute's name begins here
  if (ReadName(name) != NameEnd::Equals || !ReadQuoted(start, end)) return Item::Error;
  return Item::Attribute;
}

XmlNode* XmlDocument::NewNode(int kind, const char16_t* name, XmlNode* parent) {
  XmlNode* node = pool_.Take();
  if (!node) return nullptr;
  node->kind = kind;
  std::memcpy(node->name, name, sizeof(node->name));
  Append(parent, node);
  return node;
}

int XmlDocument::Parse(const char* text, size_t length) {
  if (document_.firstChild || !text) return 1;
  text_ = text;
  length_ = length;
  pos_ = 0;

  // The declaration may only precede the root element.
  SkipSpaces();
  if (pos_ + 1 < length_ && text_[pos_] == '<' && text_[pos_ + 1] == '?') {
    pos_ += 2;
    if (!ReadDeclaration()) return 1;
  }

  // Open elements are walked with an explicit parent chain rather than recursion, so deeply
  // nested input cannot exhaust the stack.
  XmlNode* current = &document_;
  bool failed = false;
  while (!failed) {
    char16_t name[kXmlMaxNameChars + 1] = {};
    size_t start = 0, end = 0;
    const Item item = ReadItem(name, &start, &end);
    const bool atDocument = current == &document_;
    switch (item) {
      case Item::Element: {
        XmlNode* element = NewNode(kXmlElement, name, current);
        if (!element) {
          failed = true;
        } else {
          current = element;
        }
        break;
      }
      case Item::ValueElement:
      case Item::Attribute: {
        XmlNode* value = atDocument ? nullptr : NewNode(kXmlValue, name, current);
        if (!value) {
          failed = true;
        } else {
          value->valueStart = start;
          value->valueEnd = end;
        }
        break;
      }
      case Item::Closed:
        if (atDocument) {
          failed = true;
        } else {
          current = current->parent;
          // The first complete element ends the parse; what follows is not read.
          if (current == &document_) return 0;
        }
        break;
      case Item::EndOfStartTag:
        if (atDocument) failed = true;
        break;
      case Item::Error:
        failed = true;
        break;
    }
  }
  document_ = XmlNode{};
  pool_.ReleaseAll();
  return 1;
}

int XmlDocument::Read(const XmlNode* value, char16_t* buffer, size_t* capacity) const {
  if (!value || value->kind != kXmlValue || !buffer || !capacity || !text_ ||
      value->valueEnd > length_ || value->valueStart > value->valueEnd) {
    return 1;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text_) + value->valueStart;
  const unsigned char* const stop = reinterpret_cast<const unsigned char*>(text_) + value->valueEnd;
  size_t written = 0;
  auto put = [&](char16_t c) {
    if (written + 1 >= *capacity) return false;  // leave room for the terminator
    buffer[written++] = c;
    return true;
  };
  while (p < stop) {
    const unsigned char c = *p++;
    if (c == '\r' || c == '\n') continue;
    if (c == '\t') {
      if (!put(u' ')) return 1;
      continue;
    }
    if (c == '&') {
      uint32_t character = 0;
      if (p < stop && *p == '#') {
        ++p;
        const bool hex = p < stop && (*p == 'x' || *p == 'X');
        if (hex) ++p;
        size_t digits = 0;
        for (; p < stop && *p != ';'; ++p, ++digits) {
          const unsigned char d = *p;
          uint32_t digit;
          if (d >= '0' && d <= '9') {
            digit = d - '0';
          } else if (hex && d >= 'a' && d <= 'f') {
            digit = d - 'a' + 10;
          } else if (hex && d >= 'A' && d <= 'F') {
            digit = d - 'A' + 10;
          } else {
            return 1;
          }
          character = ((character * (hex ? 16 : 10)) + digit) & 0xFFFF;
        }
        if (p == stop || digits == 0) return 1;
        ++p;  // ';'
      } else {
        // Up to 8 characters name the entity; the ';' must come within 9.
        const unsigned char* semicolon = nullptr;
        for (const unsigned char* q = p; q < stop && q - p <= 8; ++q) {
          if (*q == ';') {
            semicolon = q;
            break;
          }
        }
        if (!semicolon) return 1;
        char16_t entity[9] = {};
        for (size_t i = 0; p + i < semicolon; ++i) entity[i] = p[i];
        p = semicolon + 1;
        static const struct {
          const char16_t* name;
          char16_t character;
        } kEntities[] = {{u"lt", u'<'},    {u"gt", u'>'},     {u"amp", u'&'},
                         {u"apos", u'\''}, {u"quot", u'"'},   {u"nbsp", u' '},
                         {u"copy", u'\u00A9'}, {u"reg", u'\u00AE'}};
        bool known = false;
        for (const auto& candidate : kEntities) {
          if (XmlNameEquals(entity, candidate.name)) {
            character = candidate.character;
            known = true;
            break;
          }
        }
        if (!known) return 1;
      }
      if (!put(static_cast<char16_t>(character))) return 1;
      continue;
    }
    if (c < 0x80) {
      if (!put(c)) return 1;
      continue;
    }
    // UTF-8: stray continuation bytes and the lead bytes 0xFE and 0xFF read as spaces; the
    // character is kept in 16 bits, so longer sequences lose their high bits.
    size_t more;
    uint32_t character;
    if (c < 0xC0 || c >= 0xFE) {
      if (!put(u' ')) return 1;
      continue;
    } else if (c < 0xE0) {
      more = 1, character = c & 0x1F;
    } else if (c < 0xF0) {
      more = 2, character = c & 0x0F;
    } else if (c < 0xF8) {
      more = 3, character = c & 0x07;
    } else if (c < 0xFC) {
      more = 4, character = c & 0x03;
    } else {
      more = 5, character = c & 0x01;
    }
    for (; more > 0; --more) {
      while (p < stop && (*p == '\r' || *p == '\n')) ++p;
      if (p == stop || (*p & 0xC0) != 0x80) return 1;
      character = (character << 6) | (*p++ & 0x3F);
    }
    if (!put(static_cast<char16_t>(character & 0xFFFF))) return 1;
  }
  if (written >= *capacity) return 1;
  buffer[written++] = u'\0';
  *capacity = written;
  return 0;
}

bool XmlNameEquals(const char16_t* a, const char16_t* b) {
  for (;; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
    if (*a == u'\0') return true;
  }
}

XmlDocument* CreateXml() { return new (std::nothrow) XmlDocument(); }

int ParseXml(XmlDocument* document, const char* text, ptrdiff_t length) {
  if (!document || !text || length < -1) return 1;
  const size_t size = length == -1 ? std::strlen(text) : static_cast<size_t>(length);
  return document->Parse(text, size);
}

const XmlNode* RootElement(const XmlDocument* document) {
  return document ? document->Root() : nullptr;
}

namespace {

// The next child after the cursor that satisfies `wanted`; the cursor moves onto it.
template <class Predicate>
const XmlNode* NextChild(const XmlNode* element, XmlCursor& cursor, Predicate wanted) {
  if (!element || cursor.atEnd) return nullptr;
  const XmlNode* node = cursor.position ? cursor.position->nextSibling : element->firstChild;
  while (node && !wanted(node)) node = node->nextSibling;
  cursor.position = node;
  cursor.atEnd = node == nullptr;
  return node;
}

}  // namespace

const XmlNode* NextChildElement(const XmlNode* element, XmlCursor& cursor) {
  return NextChild(element, cursor, [](const XmlNode* n) { return n->kind == kXmlElement; });
}

const XmlNode* FindValueNode(const XmlNode* element, const char16_t* name, XmlCursor& cursor) {
  if (!name) return nullptr;
  return NextChild(element, cursor, [name](const XmlNode* n) {
    return n->kind == kXmlValue && XmlNameEquals(n->name, name);
  });
}

int ReadValue(const XmlDocument* document, const XmlNode* value, char16_t* buffer,
              size_t* capacity) {
  return document ? document->Read(value, buffer, capacity) : 1;
}

int ReadNamedValue(const XmlDocument* document, const XmlNode* element, const char16_t* name,
                   char16_t* buffer, size_t* capacity) {
  XmlCursor cursor;
  const XmlNode* value = FindValueNode(element, name, cursor);
  return value ? ReadValue(document, value, buffer, capacity) : 1;
}

const XmlNode* FindDatabaseElement(const XmlNode* element) {
  XmlCursor cursor;
  for (const XmlNode* child = NextChildElement(element, cursor); child;
       child = NextChildElement(element, cursor)) {
    if (XmlNameEquals(child->name, u"DATABASE")) return child;
  }
  return nullptr;
}

bool ReadHexValue(const XmlDocument* document, const XmlNode* element, uint64_t* number) {
  char16_t text[17];
  size_t capacity = 17;
  if (!number || ReadNamedValue(document, element, u"VALUE", text, &capacity) != 0 ||
      capacity < 2) {
    return false;
  }
  uint64_t result = 0;
  for (const char16_t* c = text; *c; ++c) {
    uint64_t digit;
    if (*c >= u'0' && *c <= u'9') {
      digit = *c - u'0';
    } else if (*c >= u'a' && *c <= u'f') {
      digit = *c - u'a' + 10;
    } else if (*c >= u'A' && *c <= u'F') {
      digit = *c - u'A' + 10;
    } else {
      return false;
    }
    result = result << 4 | digit;
  }
  *number = result;
  return true;
}

void CloseXml(XmlDocument* document) { delete document; }

bool ReadValueText(const XmlDocument* document, const XmlNode* value, size_t maxChars,
                   std::u16string* text) {
  std::u16string buffer(maxChars + 1, u'\0');
  size_t capacity = buffer.size();
  if (ReadValue(document, value, buffer.data(), &capacity) != 0) return false;
  buffer.resize(capacity - 1);
  *text = std::move(buffer);
  return true;
}

bool ReadNamedValueText(const XmlDocument* document, const XmlNode* element, const char16_t* name,
                        size_t maxChars, std::u16string* text) {
  XmlCursor cursor;
  const XmlNode* value = FindValueNode(element, name, cursor);
  return value && ReadValueText(document, value, maxChars, text);
}

}  // namespace qws
