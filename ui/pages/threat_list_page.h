// The threat list page: one checked row per target and threat name, the cleaning of the chosen
// rows on a worker thread, and the list's export to the clipboard or a text file.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "report/scan_summary.h"
#include "report/threat_rows.h"
#include "ui/check_box.h"
#include "ui/list_tool_tip.h"
#include "ui/page_dlg.h"
#include "ui/simple_controls.h"
#include "ui/square_button.h"

namespace qws {

class CmlLineScanner;

class CThreatListDlg : public CPageDlg {
 public:
  CThreatListDlg();
  ~CThreatListDlg() override;

  // Handed over by the main window when the scan has ended, before Refresh.
  void SetScanBridge(CmlLineScanner* bridge) { bridge_ = bridge; }
  void SetSummary(const ScanSummary& summary) { summary_ = summary; }
  // Builds the rows from the summary copy, all unchecked.
  void Refresh() override;

  // Threats cleaned by the last cleaning run (read after kStepThreatListDone with 1).
  uint32_t threatsCleaned() const { return threatsCleaned_; }
  const ScanSummary& summary() const { return summary_; }
  const std::vector<ThreatListItem>& items() const { return items_; }
  bool RowChecked(int row) const;
  // Checked when every row is, in its warning look when only some are.
  const CCheckBox& selectAll() const { return selectAll_; }
  bool cleaningRunning() const { return worker_.is_valid(); }
  // Ends a running cleaning after its current object and waits for it (before the bridge goes).
  void StopCleaning();
  // What "Copy to clipboard" and "Save to text file..." write.
  std::wstring ExportText() const;

 protected:
  INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnDestroy() override;

 private:
  // What the cleaning worker reports after each step: its own copy of the items, and the
  // summary copy taken under the bridge's results lock after a scan.
  struct CleaningStep {
    int row = -1;
    std::vector<ThreatListItem> items;
    std::optional<ScanSummary> summary;
    bool uncheck = false;
    bool finished = false;
    uint32_t cleaned = 0;
  };
  // Given to the worker when it starts; only the worker touches it while it runs.
  struct CleaningJob {
    std::vector<int> rows;
    std::vector<ThreatListItem> items;
    std::u16string working;
  };

  void FillList();
  void SyncRowCount();
  void FitColumns();
  void UpdateSelectionControls();
  void SetAllChecks(bool checked);
  void StartCleaning(bool all);
  static DWORD WINAPI CleaningWorker(void* page);
  void RunCleaning();
  void Publish(CleaningStep step);
  void TakeCleaningSteps();
  void CopyToClipboard() const;
  void SaveToFile();
  std::wstring RowToolTip(int row) const;

  CmlLineScanner* bridge_ = nullptr;
  ScanSummary summary_;
  std::vector<ThreatListItem> items_;
  uint32_t threatsCleaned_ = 0;
  bool columnsMade_ = false;
  bool settingChecks_ = false;

  ScopedHandle worker_;
  CleaningJob job_;
  std::atomic<bool> stopCleaning_{false};
  std::mutex stepsLock_;
  std::vector<CleaningStep> steps_;

  HWND list_ = nullptr;
  CListToolTip tip_;
  CCheckBox selectAll_;
  CButtonLink copy_;
  CButtonLink save_;
  CButtonLink doNotClean_;
  CSquareButton cleanAll_;
  CSquareButton cleanSelected_;
};

}  // namespace qws
