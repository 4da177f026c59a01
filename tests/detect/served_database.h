// The database the build put in the server's content folder: the signed file and what its
// index detectav.xml says about it (link, size, Base64 signature).
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "detect/xml_document.h"

namespace qws::test {

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline std::string FromBase64(const std::u16string& text) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  uint32_t bits = 0;
  int count = 0;
  for (char16_t c : text) {
    const size_t digit = c > 127 ? std::string::npos : alphabet.find(static_cast<char>(c));
    if (digit == std::string::npos) continue;
    bits = bits << 6 | static_cast<uint32_t>(digit);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<char>(bits >> count));
    }
  }
  return bytes;
}

struct ServedDatabase {
  std::string file;
  std::string signature;
  std::u16string link;
  uint64_t size = 0;
};

// `folder` is the content folder's special/detectav/.
inline ServedDatabase ReadServedDatabase(const std::string& folder) {
  ServedDatabase served;
  served.file = ReadWholeFile(folder + "/detectav.dat");
  const std::string index = ReadWholeFile(folder + "/detectav.xml");
  XmlDocumentPtr document(CreateXml());
  if (ParseXml(document.get(), index.data(), static_cast<ptrdiff_t>(index.size())) != 0) return served;
  const XmlNode* database = FindDatabaseElement(RootElement(document.get()));
  XmlCursor cursor;
  for (const XmlNode* item = NextChildElement(database, cursor); item;
       item = NextChildElement(database, cursor)) {
    std::u16string name, value;
    ReadNamedValueText(document.get(), item, u"NAME", 255, &name);
    if (name == u"Signature" && ReadNamedValueText(document.get(), item, u"VALUE", 255, &value)) {
      served.signature = FromBase64(value);
    } else if (name == u"DwnlLink") {
      ReadNamedValueText(document.get(), item, u"VALUE", 255, &served.link);
    } else if (name == u"Size") {
      ReadHexValue(document.get(), item, &served.size);
    }
  }
  return served;
}

}  // namespace qws::test
