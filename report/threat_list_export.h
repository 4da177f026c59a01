// The threat list as text: what the clipboard receives and what the text file holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/threat_rows.h"

namespace qws {

// One line per item, in item order: target, tab, threat name, tab, action, CR LF; no header.
std::u16string ThreatListExportText(const std::vector<ThreatListItem>& items);

// The file's bytes: the byte-order mark FF FE, then the text in UTF-16LE without a terminator.
std::string Utf16LeFileBytes(std::u16string_view text);

// The save dialog's filter from the two names of "Text files|All files": "<first> (*.txt)|*.txt|
// <second> (*.*)|*.*||", each '|' then a NUL as the dialog wants it.
std::u16string TextFileFilter(std::u16string_view names);

}  // namespace qws
