// The query server's reply, parsed as the client parses it.
#include <cstddef>
#include <cstdint>

#include "report/submission_form.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qws::SubmissionRequest request;
  const std::string_view text(reinterpret_cast<const char*>(data),
                              size < qws::kMaxSubmissionReply ? size : qws::kMaxSubmissionReply);
  const int result = qws::ParseSubmissionReply(text, request);
  if (result != qws::kSubmitOk && result != qws::kSubmitBadReply) __builtin_trap();
  if (result == qws::kSubmitOk && (request.reply < 0 || request.reply > 5)) __builtin_trap();
  return 0;
}
