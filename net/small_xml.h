// The element tree of the small downloaded XML files (banner list, database index): elements and
// their attributes only. A stand-in until those files are read with the program's XML reader;
// only download_lists.cpp uses it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qws {

struct SmallXmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;  // values with entities decoded
  std::vector<SmallXmlElement> children;

  // The first attribute of this name (exact), or null.
  const std::string* Attribute(std::string_view attribute) const;
};

// The root element; nothing when the text is not well-formed enough to find it whole.
std::optional<SmallXmlElement> ParseSmallXmlRoot(std::string_view text);

}  // namespace qws
