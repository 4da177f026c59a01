// Parses any input and reads every value of the tree.
#include <cstddef>
#include <cstdint>

#include "detect/xml_document.h"

namespace {

void ReadAll(const qws::XmlDocument* document, const qws::XmlNode* element) {
  for (const qws::XmlNode* child = element->firstChild; child; child = child->nextSibling) {
    if (child->kind == qws::kXmlElement) {
      ReadAll(document, child);
      continue;
    }
    char16_t buffer[64];
    size_t capacity = 64;
    qws::ReadValue(document, child, buffer, &capacity);
  }
  uint64_t number = 0;
  qws::ReadHexValue(document, element, &number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Deep nesting is walked recursively here, not in the reader: keep the input shallow enough.
  if (size > 4096) return 0;
  qws::XmlDocumentPtr document(qws::CreateXml());
  if (qws::ParseXml(document.get(), reinterpret_cast<const char*>(data),
                    static_cast<ptrdiff_t>(size)) == 0) {
    ReadAll(document.get(), qws::RootElement(document.get()));
  }
  return 0;
}
