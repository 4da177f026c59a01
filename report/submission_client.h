// The statistics submission over a TCP socket of its own: one exchange per Submit, and the
// two-step report submission.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "report/submission_form.h"

namespace qws {

struct QueryServer {
  std::string host;
  unsigned port = 80;
  std::string path = "/query/chsquery.php";
  // Each wait for connecting, sending and receiving.
  std::chrono::milliseconds wait = std::chrono::seconds(60);
};

// The query server the program was built with.
QueryServer DefaultQueryServer();

// One exchange; fills reply, exit code, session id and wait minutes. A result code.
int Submit(SubmissionRequest& request, const QueryServer& server);

// Posts the report's metadata and, when the server asks for it, the report itself. `report` is
// the report's bytes including its final NUL.
bool SubmitReport(std::string_view report, const QueryServer& server = DefaultQueryServer());

}  // namespace qws
