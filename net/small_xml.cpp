#include "net/small_xml.h"

#include <cstdint>

namespace qws {

namespace {

constexpr int kMaxDepth = 32;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameChar(char c) {
  return !IsSpace(c) && c != '=' && c != '>' && c != '/' && c != '<' && c != '"' && c != '\'';
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

std::string DecodeEntities(std::string_view raw) {
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    const size_t semicolon = raw[i] == '&' ? raw.find(';', i) : std::string_view::npos;
    if (semicolon == std::string_view::npos || semicolon - i > 10) {
      out.push_back(raw[i]);
      continue;
    }
    const std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
    if (entity == "amp") out.push_back('&');
    else if (entity == "lt") out.push_back('<');
    else if (entity == "gt") out.push_back('>');
    else if (entity == "quot") out.push_back('"');
    else if (entity == "apos") out.push_back('\'');
    else if (entity.size() > 1 && entity[0] == '#') {
      const bool hex = entity[1] == 'x' || entity[1] == 'X';
      uint32_t code = 0;
      bool valid = entity.size() > (hex ? 2u : 1u);
      for (char c : entity.substr(hex ? 2 : 1)) {
        const int digit = c >= '0' && c <= '9' ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0 || code > 0x10FFFF) valid = false;
        else code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
      }
      if (!valid || code == 0 || code > 0x10FFFF) {
        out.append(raw.substr(i, semicolon - i + 1));
      } else {
        AppendUtf8(out, code);
      }
    } else {
      out.append(raw.substr(i, semicolon - i + 1));
    }
    i = semicolon;
  }
  return out;
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  // Skips everything up to the root's start tag and reads the root whole.
  std::optional<SmallXmlElement> Root() {
    if (!SkipMisc()) return std::nullopt;
    SmallXmlElement root;
    if (!Element(root, 0)) return std::nullopt;
    return root;
  }

 private:
  bool StartsWith(std::string_view prefix) const { return text_.substr(at_, prefix.size()) == prefix; }

  bool SkipPast(std::string_view end) {
    const size_t found = text_.find(end, at_);
    if (found == std::string_view::npos) return false;
    at_ = found + end.size();
    return true;
  }

  void SkipSpace() {
    while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
  }

  // Declarations, comments and text before an element; false at the end of the text.
  bool SkipMisc() {
    while (true) {
      const size_t open = text_.find('<', at_);
      if (open == std::string_view::npos) return false;
      at_ = open;
      if (StartsWith("<?")) {
        if (!SkipPast("?>")) return false;
      } else if (StartsWith("<!--")) {
        if (!SkipPast("-->")) return false;
      } else if (StartsWith("<![CDATA[")) {
        if (!SkipPast("]]>")) return false;
      } else if (StartsWith("<!")) {
        if (!SkipPast(">")) return false;
      } else {
        return true;
      }
    }
  }

  std::string Name() {
    const size_t start = at_;
    while (at_ < text_.size() && IsNameChar(text_[at_])) ++at_;
    return std::string(text_.substr(start, at_ - start));
  }

  bool Element(SmallXmlElement& element, int depth) {
    if (depth > kMaxDepth || !StartsWith("<")) return false;
    ++at_;
    element.name = Name();
    if (element.name.empty()) return false;
    while (true) {
      SkipSpace();
      if (at_ >= text_.size()) return false;
      if (StartsWith("/>")) {
        at_ += 2;
        return true;
      }
      if (text_[at_] == '>') {
        ++at_;
        break;
      }
      std::string attribute = Name();
      SkipSpace();
      if (attribute.empty() || !StartsWith("=")) return false;
      ++at_;
      SkipSpace();
      if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) return false;
      const char quote = text_[at_++];
      const size_t end = text_.find(quote, at_);
      if (end == std::string_view::npos) return false;
      element.attributes.emplace_back(std::move(attribute), DecodeEntities(text_.substr(at_, end - at_)));
      at_ = end + 1;
    }
    while (true) {
      if (!SkipMisc()) return false;
      if (StartsWith("</")) {
        at_ += 2;
        const std::string closing = Name();
        SkipSpace();
        if (closing != element.name || !StartsWith(">")) return false;
        ++at_;
        return true;
      }
      SmallXmlElement child;
      if (!Element(child, depth + 1)) return false;
      element.children.push_back(std::move(child));
    }
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

const std::string* SmallXmlElement::Attribute(std::string_view attribute) const {
  for (const auto& [key, value] : attributes)
    if (key == attribute) return &value;
  return nullptr;
}

std::optional<SmallXmlElement> ParseSmallXmlRoot(std::string_view text) { return Reader(text).Root(); }

}  // namespace qws
