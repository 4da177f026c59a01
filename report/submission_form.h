// The statistics submission's protocol text: the request, its form parts in sending order, the
// scrambling of the marked values, the boundary, the exact content length and the reply keys.
// Platform-neutral; the socket transport is submission_client.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qws {

// Result codes of one exchange.
inline constexpr int kSubmitOk = 0;
inline constexpr int kSubmitNoSocket = 2;
inline constexpr int kSubmitHostNotResolved = 3;
inline constexpr int kSubmitConnectFailed = 4;
inline constexpr int kSubmitInvalidRequest = 6;
inline constexpr int kSubmitBodyTooLong = 7;
inline constexpr int kSubmitTransferFailed = 9;
inline constexpr int kSubmitBadReply = 10;

inline constexpr uint64_t kMaxSubmissionBody = 10485760;  // 10 MiB
inline constexpr size_t kSubmissionKeyLength = 206;
// The reply is read into 2048 bytes, one kept for the terminator.
inline constexpr size_t kMaxSubmissionReply = 2047;
// The server answers 2 when it wants the data item itself.
inline constexpr int kReplySendData = 2;

struct SubmissionRequest {
  uint32_t mode = 0;  // 0 metadata only, 1 with the file part
  uint32_t dataType = 0;
  std::string key;
  int32_t priority = 0;
  int64_t firstHitTime = 0;  // seconds since 1970, UTC
  int64_t lastHitTime = 0;
  uint32_t hitCount = 0;
  std::optional<std::string> attributes;
  std::string_view fileData;  // not owned; sent in mode 1

  // Filled from the reply.
  int32_t reply = 0;
  int32_t exitCode = 0;
  uint32_t sessionId = 0;  // also sent
  int32_t waitMinutes = 0;
};

struct FormPart {
  bool isFile = false;
  std::string name;
  std::string value;     // text parts
  std::string_view data;  // file parts, not owned
  std::string fileName;
  bool scrambled = false;
};

// The fixed key that scrambled values are combined with.
std::string_view SubmissionKey();

// Text: each byte XOR its key byte unless both are equal (no NUL can arise); applying it to a
// scrambled NUL-free text gives the text back. File data: always XOR. `offset` is the position
// of data[0] within its value.
void ScrambleText(char* data, size_t length, size_t offset);
void ScrambleFileData(char* data, size_t length, size_t offset);

bool IsValidRequest(const SubmissionRequest& request);

// "%Y-%m-%d %H:%M:%S" in UTC or local time; "0000-00-00 00:00:00" when it cannot be converted.
std::string FormatUtcTime(int64_t time);
std::string FormatLocalTime(int64_t time);

// The parts in sending order, `now` being the current time.
std::vector<FormPart> BuildFormParts(const SubmissionRequest& request, int64_t now);

// 24 hyphens, "3kMBisMe" and the low 32 bits of the time as "%8x": 40 characters.
std::string MakeBoundary(uint32_t timeLowBits);

// The number of body bytes that WriteFormBody produces.
uint64_t FormContentLength(const std::vector<FormPart>& parts, std::string_view boundary);

// The request head up to and including the blank line. `url` is the absolute address.
std::string FormRequestHead(std::string_view url, std::string_view boundary, std::string_view host,
                            unsigned port, uint64_t contentLength);

// Takes the bytes to send; false stops the writing.
using ByteSink = std::function<bool(const char* data, size_t length)>;

// Sends the head and body through a 4096-byte buffer, scrambling marked values in pieces of at
// most 16 384 bytes in a scratch buffer so that the caller's data is never changed.
bool WriteFormRequest(std::string_view head, const std::vector<FormPart>& parts,
                      std::string_view boundary, const ByteSink& sink);

// Looks for the chs_ keys anywhere in the received text (up to its first NUL) and fills the
// request; kSubmitOk or kSubmitBadReply.
int ParseSubmissionReply(std::string_view received, SubmissionRequest& request);

}  // namespace qws
