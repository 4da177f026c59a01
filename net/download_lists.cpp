#include "net/download_lists.h"

#include "base/u16.h"
#include "net/proxy_candidate.h"
#include "net/small_xml.h"

namespace qws {

namespace {

constexpr size_t kMaxValueChars = 255;
constexpr size_t kMaxHexDigits = 16;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::u16string AttributeText(const SmallXmlElement& element, std::string_view name) {
  const std::string* value = element.Attribute(name);
  if (!value) return {};
  std::u16string text = Utf8ToU16(*value);
  if (text.size() > kMaxValueChars) text.resize(kMaxValueChars);
  return text;
}

std::optional<uint64_t> ReadHex(std::string_view text) {
  if (text.empty() || text.size() > kMaxHexDigits) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    const int digit = c >= '0' && c <= '9' ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<uint64_t>(digit);
  }
  return value;
}

}  // namespace

std::optional<std::vector<BannerEntry>> ReadBannerList(std::string_view xml) {
  const auto root = ParseSmallXmlRoot(xml);
  if (!root) return std::nullopt;
  std::vector<BannerEntry> banners;
  for (const SmallXmlElement& element : root->children) {
    BannerEntry banner;
    banner.imageUrl = AttributeText(element, "URL");
    banner.destinationUrl = AttributeText(element, "DSTURL");
    if (const std::string* duration = element.Attribute("DURATION")) {
      banner.durationSeconds = LeadingInteger(*duration);
      // A negative wait would stop the rotation for good.
      if (banner.durationSeconds < 0) banner.durationSeconds = kDefaultBannerSeconds;
    }
    banners.push_back(std::move(banner));
  }
  return banners;
}

std::optional<DatabaseIndex> ReadDatabaseIndex(std::string_view xml) {
  const auto root = ParseSmallXmlRoot(xml);
  if (!root) return std::nullopt;
  const SmallXmlElement* database = nullptr;
  for (const SmallXmlElement& child : root->children) {
    if (SameIgnoringCase(child.name, "DATABASE")) {
      database = &child;
      break;
    }
  }
  if (!database) return std::nullopt;
  DatabaseIndex index;
  for (const SmallXmlElement& item : database->children) {
    const std::string* name = item.Attribute("NAME");
    const std::string* value = item.Attribute("VALUE");
    if (!name || name->size() > kMaxValueChars) continue;
    const std::string text = value ? *value : std::string();
    if (SameIgnoringCase(*name, "DwnlLink")) {
      index.link = AttributeText(item, "VALUE");
    } else if (SameIgnoringCase(*name, "Size")) {
      index.size = ReadHex(text).value_or(0);
    } else if (SameIgnoringCase(*name, "Signature")) {
      index.signature = text.substr(0, kMaxValueChars);
    }
  }
  if (index.link.empty() || index.size == 0 || index.signature.empty()) return std::nullopt;
  return index;
}

}  // namespace qws
