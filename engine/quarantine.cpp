// The quarantine as the scan bridge lists and restores it.
#include "engine/cml_line_scanner.h"

namespace qws {

void CmlLineScanner::ReadQuarantine() {
  quarantineEntries_.clear();
  quarantineRecords_.clear();
  if (!scanner_ || !m_qlxs_quarantine_log_evaluate) return;
  qlxs_quarantine_log_list* list = nullptr;
  if (m_qlxs_quarantine_log_evaluate(scanner_, &list) != 0 || !list) return;
  const uint32_t count = m_qlxs_quarantine_log_list_count(list);
  for (uint32_t i = 0; i < count; ++i) {
    const qlxs_quarantine_item* item = m_qlxs_quarantine_log_list_item(list, i);
    if (!item) continue;
    QuarantineEntry entry{item->id_low, item->id_high, item->former_path ? item->former_path : L""};
    if (IsDrivePath(entry.formerPath)) {
      QuarantineRecord record;
      record.formerPath = entry.formerPath;
      record.threatName = item->threat_name && *item->threat_name ? item->threat_name : L".";
      record.entryIndex = static_cast<uint32_t>(quarantineEntries_.size());
      quarantineRecords_.push_back(std::move(record));
    }
    quarantineEntries_.push_back(std::move(entry));
  }
  m_qlxs_quarantine_log_list_destroy(list);
}

bool CmlLineScanner::RestoreFromQuarantine(uint32_t index) {
  if (index >= quarantineEntries_.size() || !scanner_) return false;
  const QuarantineEntry& entry = quarantineEntries_[index];
  if (m_qlxs_quarantine_restore(scanner_, entry.idLow, entry.idHigh, entry.formerPath.c_str()) != 0)
    return false;
  m_qlxs_quarantine_delete(scanner_, entry.idLow, entry.idHigh);
  return true;
}

bool CmlLineScanner::HasUnrestoredRecord() const {
  for (const QuarantineRecord& record : quarantineRecords_)
    if (!record.restored) return true;
  return false;
}

}  // namespace qws
