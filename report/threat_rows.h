// The rows of the threat lists (the threat list page, the after-restart page): one row per
// target and threat name, in order of first appearance, built from the summary's records.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qws {

struct ThreatListItem {
  std::u16string target;      // the record's file name, or a token's display name
  std::u16string threatName;
  std::u16string action;      // the record's detail
  std::u16string fileHash;    // kept, not shown
  bool cleaned = false;       // the record's action is exactly 'C'
  std::u16string objectName;  // the record's file name as the scan named it: what a cleaning
                              // scan is given (a token's display name is no object)
};

// Merges the records (seven fields, each ended by '*') into `items`: a record whose target
// and threat name an item has already updates that item's action and cleaned flag, any other
// record appends an item. A record cut short at the end of the text is left out.
void MergeThreatRecords(std::u16string_view records, std::vector<ThreatListItem>& items);

}  // namespace qws
