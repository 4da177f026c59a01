#include "net/download_lists.h"

#include "detect/xml_document.h"
#include "net/proxy_candidate.h"

namespace qws {

namespace {

constexpr size_t kMaxValueChars = 255;

XmlDocumentPtr ParseDownloadedXml(std::string_view xml) {
  XmlDocumentPtr document(CreateXml());
  if (!document || ParseXml(document.get(), xml.data(), static_cast<ptrdiff_t>(xml.size())) != 0) return nullptr;
  return document;
}

// The value, or empty when it is missing or longer than 255 characters.
std::u16string ValueText(const XmlDocument* document, const XmlNode* element, const char16_t* name) {
  std::u16string text;
  if (!ReadNamedValueText(document, element, name, kMaxValueChars, &text)) text.clear();
  return text;
}

std::string Narrow(std::u16string_view text) {
  std::string narrow;
  for (char16_t c : text) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return narrow;
}

}  // namespace

std::optional<std::vector<BannerEntry>> ReadBannerList(std::string_view xml) {
  const XmlDocumentPtr document = ParseDownloadedXml(xml);
  const XmlNode* root = document ? RootElement(document.get()) : nullptr;
  if (!root) return std::nullopt;
  std::vector<BannerEntry> banners;
  XmlCursor cursor;
  for (const XmlNode* element = NextChildElement(root, cursor); element; element = NextChildElement(root, cursor)) {
    BannerEntry banner;
    banner.imageUrl = ValueText(document.get(), element, u"URL");
    banner.destinationUrl = ValueText(document.get(), element, u"DSTURL");
    std::u16string duration;
    if (ReadNamedValueText(document.get(), element, u"DURATION", kMaxValueChars, &duration)) {
      banner.durationSeconds = LeadingInteger(duration);
      // A negative wait would stop the rotation for good.
      if (banner.durationSeconds < 0) banner.durationSeconds = kDefaultBannerSeconds;
    }
    banners.push_back(std::move(banner));
  }
  return banners;
}

std::optional<DatabaseIndex> ReadDatabaseIndex(std::string_view xml) {
  const XmlDocumentPtr document = ParseDownloadedXml(xml);
  const XmlNode* root = document ? RootElement(document.get()) : nullptr;
  const XmlNode* database = root ? FindDatabaseElement(root) : nullptr;
  if (!database) return std::nullopt;
  DatabaseIndex index;
  XmlCursor cursor;
  for (const XmlNode* item = NextChildElement(database, cursor); item; item = NextChildElement(database, cursor)) {
    std::u16string name;
    if (!ReadNamedValueText(document.get(), item, u"NAME", kMaxValueChars, &name)) continue;
    if (XmlNameEquals(name.c_str(), u"DwnlLink")) {
      index.link = ValueText(document.get(), item, u"VALUE");
    } else if (XmlNameEquals(name.c_str(), u"Size")) {
      uint64_t size = 0;
      index.size = ReadHexValue(document.get(), item, &size) ? size : 0;
    } else if (XmlNameEquals(name.c_str(), u"Signature")) {
      index.signature = Narrow(ValueText(document.get(), item, u"VALUE"));
    }
  }
  if (index.link.empty() || index.size == 0 || index.signature.empty()) return std::nullopt;
  return index;
}

}  // namespace qws
