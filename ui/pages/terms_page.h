// The terms-of-use page: the licence text, Accept and Decline, and the offer of a newer
// program version found by a check in the background.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "app/message_content.h"
#include "ui/check_box.h"
#include "ui/page_dlg.h"
#include "ui/persistent_selection_edit.h"
#include "ui/simple_controls.h"
#include "ui/square_button.h"

namespace qws {

// The new-version download's bar: full from 7,000,000 bytes on.
int NewVersionProgress(uint64_t bytes);

class CEulaDlg : public CPageDlg {
 public:
  struct Setup {
    std::wstring programPath;
    std::wstring workFolder;
    // Base of the version marker and the program copy.
    std::wstring downloadBaseUrl;
  };

  explicit CEulaDlg(Setup setup);
  ~CEulaDlg() override;

  void Refresh() override;
  bool newVersionAvailable() const { return newVersionAvailable_; }
  bool versionCheckRunning() const { return check_ != nullptr; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int controlId, int code) override;
  bool OnTimer(UINT_PTR id) override;
  std::optional<LRESULT> OnUserMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnDestroy() override;

 private:
  // What a worker writes; shared with it, so that a worker still running when the page goes
  // away writes into memory that is still there.
  struct WorkerState {
    std::atomic<int> state;
    std::atomic<uint64_t> bytes{0};
  };

  void OnAccept();
  void OnDecline();
  void SetButtonsEnabled(bool enabled);

  Setup setup_;
  CPersistentSelectionEdit text_;
  CCheckBox newVersion_;
  CProgressBar progress_;
  CSquareButton accept_;
  CSquareButton decline_;
  MessagePageContent declineQuestion_;
  bool newVersionAvailable_ = false;
  std::shared_ptr<WorkerState> check_;
  std::shared_ptr<WorkerState> download_;
  std::thread checkThread_;
  std::thread downloadThread_;
};

}  // namespace qws
