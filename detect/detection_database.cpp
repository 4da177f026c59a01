#include "detect/detection_database.h"

#include <new>

#include "detect/registry_lookup.h"
#include "detect/xml_document.h"

namespace qws {

namespace {

// Value buffers of the schema, in characters with the terminator; longer values are absent.
constexpr size_t kVendorChars = 256 - 1;
constexpr size_t kRuleChars = 1024 - 1;
constexpr size_t kOtherChars = 512 - 1;

class SchemaReader {
 public:
  SchemaReader(const XmlDocument* document, DetectionSystem& system)
      : document_(document), system_(system), bits_(system.WindowsBits()) {}

  bool ReadVendor(const XmlNode* element, Vendor& vendor);

 private:
  bool Attr(const XmlNode* element, const char16_t* name, size_t maxChars, std::u16string* out) {
    return ReadNamedValueText(document_, element, name, maxChars, out);
  }
  std::u16string AttrOr(const XmlNode* element, const char16_t* name, size_t maxChars) {
    std::u16string text;
    Attr(element, name, maxChars, &text);
    return text;
  }
  bool Has(const XmlNode* element, const char16_t* name) {
    XmlCursor cursor;
    return FindValueNode(element, name, cursor) != nullptr;
  }
  // The OS and SYS filters.
  bool Skipped(const XmlNode* element, size_t maxChars) {
    if (AttrOr(element, u"OS", maxChars) == u"W7") return true;
    const std::u16string sys = AttrOr(element, u"SYS", maxChars);
    return (sys == u"32" && bits_ == 64) || (sys == u"64" && bits_ == 32);
  }

  void ReadVersion(const XmlNode* element, CProduct& product);
  void ReadReg(const XmlNode* element, CProduct& product,
               std::vector<std::pair<std::u16string, std::optional<std::u16string>>>& embedded);
  void ReadDir(const XmlNode* element, Dir& dir);
  void ReadStatus(const XmlNode* element, StatusBlock& status);
  StatusCondition ReadCondition(const XmlNode* element);

  const XmlDocument* document_;
  DetectionSystem& system_;
  int bits_;
};

// Leading decimal digits, saturated.
uint64_t Decimal(const std::u16string& text) {
  uint64_t number = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    number = number > (UINT64_MAX - 9) / 10 ? UINT64_MAX : number * 10 + (c - u'0');
  }
  return number;
}

int SmallDecimal(const std::u16string& text) {
  const uint64_t number = Decimal(text);
  return number > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(number);
}

// A backslash and three octal digits stand for that character; any other backslash ends the
// text.
std::u16string DecodeOctalEscapes(const std::u16string& text) {
  std::u16string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\\') {
      decoded.push_back(text[i]);
      continue;
    }
    bool octal = i + 3 < text.size();
    for (size_t k = 1; octal && k <= 3; ++k) octal = text[i + k] >= u'0' && text[i + k] <= u'7';
    if (!octal) break;
    decoded.push_back(static_cast<char16_t>((text[i + 1] - u'0') * 64 + (text[i + 2] - u'0') * 8 +
                                            (text[i + 3] - u'0')));
    i += 3;
  }
  return decoded;
}

// The first "%NAME%" of a key replaced by the value of the version's first earlier embedded
// rule of that name; unchanged without one.
std::u16string ReplaceEmbedded(
    const std::u16string& key,
    const std::vector<std::pair<std::u16string, std::optional<std::u16string>>>& embedded) {
  const size_t first = key.find(u'%');
  if (first == std::u16string::npos) return key;
  const size_t second = key.find(u'%', first + 1);
  if (second == std::u16string::npos) return key;
  const std::u16string name = key.substr(first + 1, second - first - 1);
  for (const auto& [variable, value] : embedded) {
    if (variable != name) continue;
    // An embedded rule that read nothing leaves the key as written, so it finds nothing.
    if (!value) return key;
    return key.substr(0, first) + *value + key.substr(second + 1);
  }
  return key;
}

}  // namespace

bool SchemaReader::ReadVendor(const XmlNode* element, Vendor& vendor) {
  std::u16string id;
  if (!XmlNameEquals(element->name, u"VENDOR") ||
      !Attr(element, u"COMPANY", kVendorChars, &vendor.company) ||
      !Attr(element, u"ID", kVendorChars, &id)) {
    return false;
  }
  vendor.id = SmallDecimal(id);
  XmlCursor cursor;
  for (const XmlNode* child = NextChildElement(element, cursor); child;
       child = NextChildElement(element, cursor)) {
    if (!XmlNameEquals(child->name, u"VERSION")) return false;
    vendor.products.emplace_back();
    ReadVersion(child, vendor.products.back());
  }
  return true;
}

void SchemaReader::ReadVersion(const XmlNode* element, CProduct& product) {
  product.versionName = AttrOr(element, u"NAME", kOtherChars);
  product.product = AttrOr(element, u"PRODUCT", kOtherChars);
  product.versionId = SmallDecimal(AttrOr(element, u"ID", kOtherChars));
  product.wscName = AttrOr(element, u"WSC_NAME", kOtherChars);
  product.description = AttrOr(element, u"DESC", kOtherChars);
  product.forceScan = AttrOr(element, u"FORCE_SCAN", kOtherChars) == u"1";
  product.bits = bits_;

  std::vector<std::pair<std::u16string, std::optional<std::u16string>>> embedded;
  XmlCursor cursor;
  for (const XmlNode* child = NextChildElement(element, cursor); child;
       child = NextChildElement(element, cursor)) {
    XmlCursor inner;
    if (XmlNameEquals(child->name, u"REGS")) {
      for (const XmlNode* reg = NextChildElement(child, inner); reg;
           reg = NextChildElement(child, inner)) {
        if (XmlNameEquals(reg->name, u"REG") && !Skipped(reg, kRuleChars)) {
          ReadReg(reg, product, embedded);
        }
      }
    } else if (XmlNameEquals(child->name, u"FILES")) {
      if (!Skipped(child, kOtherChars)) {
        product.dirs.emplace_back();
        ReadDir(child, product.dirs.back());
      }
    } else if (XmlNameEquals(child->name, u"SERVICES")) {
      for (const XmlNode* service = NextChildElement(child, inner); service;
           service = NextChildElement(child, inner)) {
        ServiceRule rule;
        if (XmlNameEquals(service->name, u"SERVICE") && !Skipped(service, kRuleChars) &&
            Attr(service, u"NAME", kRuleChars, &rule.name)) {
          product.services.push_back(std::move(rule));
        }
      }
    } else if (XmlNameEquals(child->name, u"STATUS")) {
      ReadStatus(child, product.status);
    }
  }
}

void SchemaReader::ReadReg(
    const XmlNode* element, CProduct& product,
    std::vector<std::pair<std::u16string, std::optional<std::u16string>>>& embedded) {
  RegRule rule;
  if (!Attr(element, u"KEY", kRuleChars, &rule.key)) return;
  rule.key = ReplaceEmbedded(rule.key, embedded);
  rule.type = AttrOr(element, u"TYPE", kRuleChars);
  rule.hasProperty = Attr(element, u"PROPERTY", kRuleChars, &rule.property);
  rule.hasValue = Attr(element, u"VALUE", kRuleChars, &rule.value);
  rule.nextKey = Has(element, u"NEXTKEY");
  rule.name = AttrOr(element, u"NAME", kRuleChars);
  rule.elevated = SmallDecimal(AttrOr(element, u"ELEVATED", kRuleChars));
  rule.paramsUse = AttrOr(element, u"PARAMS_USE", kRuleChars);
  if (rule.type == u"embedded") {
    RootedKey rooted = SplitRootName(rule.key);
    if (rooted.root == RegRoot::None) rooted.root = RegRoot::LocalMachine;
    std::optional<std::u16string> value;
    if (rule.hasProperty) {
      value = ReadRuleValue(system_, rooted.root, rooted.path, rule.property);
    } else if (rule.nextKey) {
      value = ReadFirstSubkey(system_, rooted.root, rooted.path);
    }
    embedded.emplace_back(rule.name, std::move(value));
  }
  product.regs.push_back(std::move(rule));
}

void SchemaReader::ReadDir(const XmlNode* element, Dir& dir) {
  dir.path = AttrOr(element, u"PATH", kOtherChars);
  dir.base = AttrOr(element, u"BASE", kOtherChars) == u"yes";
  dir.lastTime = AttrOr(element, u"LASTTIME", kOtherChars) == u"yes";
  dir.key = AttrOr(element, u"KEY", kOtherChars);
  dir.property = AttrOr(element, u"PROPERTY", kOtherChars);
  XmlCursor cursor;
  for (const XmlNode* child = NextChildElement(element, cursor); child;
       child = NextChildElement(element, cursor)) {
    if (XmlNameEquals(child->name, u"FILE")) {
      if (Skipped(child, kOtherChars)) continue;
      File file;
      file.name = AttrOr(child, u"NAME", kOtherChars);
      file.lastTime = AttrOr(child, u"LASTTIME", kOtherChars) == u"yes";
      dir.files.push_back(std::move(file));
    } else if (XmlNameEquals(child->name, u"FILES")) {
      if (Skipped(child, kOtherChars)) continue;
      dir.dirs.emplace_back();
      ReadDir(child, dir.dirs.back());
    }
  }
}

void SchemaReader::ReadStatus(const XmlNode* element, StatusBlock& status) {
  std::u16string op;
  if (Attr(element, u"CURRENT_RESTART", kOtherChars, &op)) {
    status.currentOperator = status.restartOperator = op;
  }
  if (Attr(element, u"CURRENT", kOtherChars, &op)) status.currentOperator = op;
  if (Attr(element, u"RESTART", kOtherChars, &op)) status.restartOperator = op;

  XmlCursor cursor;
  for (const XmlNode* child = NextChildElement(element, cursor); child;
       child = NextChildElement(element, cursor)) {
    std::vector<size_t>* lists[2] = {nullptr, nullptr};
    std::optional<size_t>* single = nullptr;
    if (XmlNameEquals(child->name, u"CURRENT")) {
      lists[0] = &status.current;
    } else if (XmlNameEquals(child->name, u"RESTART")) {
      lists[0] = &status.restart;
    } else if (XmlNameEquals(child->name, u"CURRENT_RESTART")) {
      lists[0] = &status.current;
      lists[1] = &status.restart;
    } else if (XmlNameEquals(child->name, u"UPDATE")) {
      single = &status.update;
    } else if (XmlNameEquals(child->name, u"INSTALL")) {
      single = &status.install;
    } else if (XmlNameEquals(child->name, u"QAV_STATUS")) {
      single = &status.ownStatus;
    } else if (XmlNameEquals(child->name, u"QAV_EVAL")) {
      single = &status.ownEdition;
    } else {
      continue;
    }
    const size_t index = status.conditions.size();
    status.conditions.push_back(ReadCondition(child));
    for (auto* list : lists) {
      if (list) list->push_back(index);
    }
    if (single) *single = index;
  }
}

StatusCondition SchemaReader::ReadCondition(const XmlNode* element) {
  StatusCondition c;
  c.type = AttrOr(element, u"TYPE", kOtherChars);
  static const char16_t* const kTypes[] = {u"reg",           u"service",       u"process",
                                           u"call",          u"path_reg+file", u"path_reg+ini",
                                           u"path_reg+xml",  u"path_reg+log"};
  bool known = false;
  for (const char16_t* type : kTypes) known = known || c.type == type;
  // A "file" condition, or one of no known type, is not evaluated and reads nothing more.
  if (!known) return c;
  c.key = AttrOr(element, u"KEY", kOtherChars);
  c.property = AttrOr(element, u"PROPERTY", kOtherChars);
  c.on = AttrOr(element, u"ON", kOtherChars);
  c.off = AttrOr(element, u"OFF", kOtherChars);
  const std::u16string defaultText = AttrOr(element, u"DEFAULT", kOtherChars);
  c.defaultValue = defaultText == u"true"    ? StatusCondition::Default::True
                   : defaultText == u"false" ? StatusCondition::Default::False
                                             : StatusCondition::Default::None;
  c.format = AttrOr(element, u"FORMAT", kOtherChars);
  c.name = AttrOr(element, u"NAME", kOtherChars);
  c.hasAndMask = Attr(element, u"ANDMASK", kOtherChars, &c.andMask);
  c.path = AttrOr(element, u"PATH", kOtherChars);
  c.offset = Decimal(AttrOr(element, u"OFFSET", kOtherChars));
  const uint64_t size = Decimal(AttrOr(element, u"SIZE", kOtherChars));
  c.size = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
  c.section = AttrOr(element, u"SECTION", kOtherChars);
  c.entry = AttrOr(element, u"ENTRY", kOtherChars);
  c.xpath = AttrOr(element, u"XPATH", kOtherChars);
  c.re = AttrOr(element, u"RE", kOtherChars);
  c.index = AttrOr(element, u"INDEX", kOtherChars);
  if (c.type == u"path_reg+file") {
    c.onBytes = DecodeOctalEscapes(c.on);
    c.offBytes = DecodeOctalEscapes(c.off);
  }
  return c;
}

DatabaseParse ParseDetectionText(std::string_view text, DetectionSystem& system,
                                 std::vector<Vendor>& vendors) {
  XmlDocumentPtr document(CreateXml());
  if (!document ||
      ParseXml(document.get(), text.data(), static_cast<ptrdiff_t>(text.size())) != 0) {
    return DatabaseParse::BadXml;
  }
  SchemaReader reader(document.get(), system);
  const XmlNode* root = RootElement(document.get());
  XmlCursor cursor;
  for (const XmlNode* element = NextChildElement(root, cursor); element;
       element = NextChildElement(root, cursor)) {
    Vendor vendor;
    if (!reader.ReadVendor(element, vendor)) return DatabaseParse::StoppedEarly;
    vendors.push_back(std::move(vendor));
  }
  return DatabaseParse::Complete;
}

size_t CProduct::RuleCount() const {
  size_t count = regs.size() + services.size() + status.conditions.size();
  struct Walk {
    static size_t Count(const Dir& dir) {
      size_t n = 1 + dir.files.size();
      for (const Dir& sub : dir.dirs) n += Count(sub);
      return n;
    }
  };
  for (const Dir& dir : dirs) count += Walk::Count(dir);
  return count;
}

bool DetectionDatabase::AcceptDownloaded(std::string_view file, std::string_view signature) {
  downloaded_.reset();
  // Unsigned data is never taken: anyone on the path of the download could have written it.
  if (file.empty() || !VerifyDatabaseSignature(file, signature, key_) ||
      !CheckDownloadedHeader(file)) {
    return false;
  }
  downloaded_ = std::string(file);
  return true;
}

int DetectionDatabase::Load(const BuiltInChunks& chunks, DetectionSystem& system) {
  vendors_.clear();
  loadedDownloaded_ = false;
  try {
    if (downloaded_) {
      const auto text = InflateBlock(DownloadedPayload(*downloaded_));
      if (text && ParseDetectionText(*text, system, vendors_) != DatabaseParse::BadXml) {
        loadedDownloaded_ = true;
        return 0;
      }
      // A download that does not inflate or parse gives way to the carried copy.
      vendors_.clear();
    }
    const auto block = JoinChunks(chunks);
    const auto text = block ? InflateBlock(*block) : std::nullopt;
    if (!text) return 1;
    return ParseDetectionText(*text, system, vendors_) == DatabaseParse::Complete ? 0 : 1;
  } catch (const std::bad_alloc&) {
    vendors_.clear();
    return 1;
  }
}

}  // namespace qws
