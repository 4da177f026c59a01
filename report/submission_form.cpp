#include "report/submission_form.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <limits>

namespace qws {

namespace {

constexpr char kKey[] =
    "+M98F}s1NKnU*q[_v5*.h$,^iF7nRX8aX-XP2J0P.ZeSW;Czo8ISnHs4cY8307zwcqs#Im#oPg8h$l@^AR,r5cFsD~"
    "r#os&>6|zaD_M#BVcYKZ+PMdS*Lvmu!gnf[[YXjT#;%KWNQGjyoo*O@ZjJ5dX-Z.,2~j9t.&Mmp>sxJ4-7ibcL%#3n"
    "cj/qj>if|.tIlP_$VN#JII4!{)";
static_assert(sizeof(kKey) - 1 == kSubmissionKeyLength);

constexpr size_t kValueBufferBytes = 256;  // values are formatted into this, terminator included
constexpr size_t kSendBufferBytes = 4096;
constexpr size_t kScramblePieceBytes = 16384;
constexpr char kZeroTime[] = "0000-00-00 00:00:00";

std::string FormatTime(int64_t time, bool local) {
  const std::time_t value = static_cast<std::time_t>(time);
  std::tm parts{};
#ifdef _WIN32
  const bool converted = (local ? localtime_s(&parts, &value) : gmtime_s(&parts, &value)) == 0;
#else
  const bool converted = (local ? localtime_r(&value, &parts) : gmtime_r(&value, &parts)) != nullptr;
#endif
  char text[kValueBufferBytes];
  if (!converted || std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &parts) == 0)
    return kZeroTime;
  return text;
}

FormPart TextPart(const char* name, std::string value, bool scrambled) {
  if (value.size() > kValueBufferBytes - 1) value.resize(kValueBufferBytes - 1);
  // A C text ends at its first NUL.
  value.resize(std::char_traits<char>::length(value.c_str()));
  FormPart part;
  part.name = name;
  part.value = std::move(value);
  part.scrambled = scrambled;
  return part;
}

// Collects bytes and hands them to the sink 4096 at a time.
class SendBuffer {
 public:
  explicit SendBuffer(const ByteSink& sink) : sink_(sink) {}

  bool Put(const char* data, size_t length) {
    while (length > 0) {
      const size_t room = kSendBufferBytes - used_;
      const size_t take = length < room ? length : room;
      std::copy(data, data + take, buffer_.data() + used_);
      used_ += take;
      data += take;
      length -= take;
      if (used_ == kSendBufferBytes && !Flush()) return false;
    }
    return true;
  }
  bool Put(std::string_view text) { return Put(text.data(), text.size()); }

  bool Flush() {
    if (used_ == 0) return true;
    const bool sent = sink_(buffer_.data(), used_);
    used_ = 0;
    return sent;
  }

 private:
  const ByteSink& sink_;
  std::array<char, kSendBufferBytes> buffer_{};
  size_t used_ = 0;
};

bool PutScrambled(SendBuffer& out, std::string_view data, bool isFile) {
  std::array<char, kScramblePieceBytes> scratch;
  for (size_t offset = 0; offset < data.size(); offset += scratch.size()) {
    const size_t piece = std::min(scratch.size(), data.size() - offset);
    std::copy(data.data() + offset, data.data() + offset + piece, scratch.data());
    if (isFile) ScrambleFileData(scratch.data(), piece, offset);
    else ScrambleText(scratch.data(), piece, offset);
    if (!out.Put(scratch.data(), piece)) return false;
  }
  return true;
}

// sscanf's "%d": optional white space and sign, at least one digit; saturates on overflow.
std::optional<int64_t> ReadDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  constexpr int64_t kLimit = int64_t{1} << 40;  // far beyond 32 bits, far from overflowing
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kLimit) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

std::optional<int64_t> FindKey(std::string_view text, std::string_view key) {
  const size_t at = text.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  return ReadDecimal(text.substr(at + key.size()));
}

int32_t ToInt32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace

std::string_view SubmissionKey() { return {kKey, kSubmissionKeyLength}; }

void ScrambleText(char* data, size_t length, size_t offset) {
  for (size_t i = 0; i < length; ++i) {
    const char key = kKey[(offset + i) % kSubmissionKeyLength];
    if (data[i] != key) data[i] = static_cast<char>(data[i] ^ key);
  }
}

void ScrambleFileData(char* data, size_t length, size_t offset) {
  for (size_t i = 0; i < length; ++i)
    data[i] = static_cast<char>(data[i] ^ kKey[(offset + i) % kSubmissionKeyLength]);
}

bool IsValidRequest(const SubmissionRequest& request) {
  return !request.key.empty() && (request.mode == 0 || request.mode == 1);
}

std::string FormatUtcTime(int64_t time) { return FormatTime(time, false); }
std::string FormatLocalTime(int64_t time) { return FormatTime(time, true); }

std::vector<FormPart> BuildFormParts(const SubmissionRequest& request, int64_t now) {
  std::vector<FormPart> parts;
  parts.push_back(TextPart("chc_pversion", "5", false));
  parts.push_back(TextPart("chc_sversion", "64", false));
  parts.push_back(TextPart("chc_gmdatetime", FormatUtcTime(now), false));
  parts.push_back(TextPart("chc_datetime", FormatLocalTime(now), false));
  parts.push_back(TextPart("datatype", std::to_string(request.dataType), true));
  parts.push_back(TextPart("key", request.key, true));
  parts.push_back(TextPart("priority", std::to_string(request.priority), true));
  parts.push_back(TextPart("hitcount", std::to_string(request.hitCount), true));
  parts.push_back(TextPart("firsthitdate", FormatUtcTime(request.firstHitTime), true));
  parts.push_back(TextPart("lasthitdate", FormatUtcTime(request.lastHitTime), true));
  const auto delta = static_cast<int32_t>(static_cast<uint32_t>(now - request.firstHitTime));
  parts.push_back(TextPart("firsthitdatedelta", std::to_string(delta), true));
  parts.push_back(TextPart("attributes", request.attributes.value_or(""), true));
  parts.push_back(TextPart("sessionid", std::to_string(request.sessionId), true));
  if (request.mode == 1) {
    FormPart file;
    file.isFile = true;
    file.name = "file";
    file.fileName = "file";
    file.data = request.fileData;
    file.scrambled = true;
    parts.push_back(std::move(file));
  }
  parts.push_back(TextPart("chc_valid", "1", false));
  return parts;
}

std::string MakeBoundary(uint32_t timeLowBits) {
  char hex[16];
  std::snprintf(hex, sizeof(hex), "%8x", static_cast<unsigned>(timeLowBits));
  return std::string(24, '-') + "3kMBisMe" + hex;
}

uint64_t FormContentLength(const std::vector<FormPart>& parts, std::string_view boundary) {
  const uint64_t b = boundary.size();
  uint64_t length = 0;
  for (const FormPart& part : parts) {
    length += b + 4;
    if (part.isFile) length += 98 + part.name.size() + part.fileName.size() + part.data.size();
    else length += 78 + part.name.size() + part.value.size();
  }
  return length + b + 6;
}

std::string FormRequestHead(std::string_view url, std::string_view boundary, std::string_view host,
                            unsigned port, uint64_t contentLength) {
  std::string head = "POST ";
  head += url;
  head += " HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=";
  head += boundary;
  head += "\r\nHost: ";
  head += host;
  // Appended piece by piece: GCC 12 at -O3 takes "literal" + std::string&& for an overlapping
  // copy (-Wrestrict).
  head += ':';
  head += std::to_string(port);
  head += "\r\nContent-Length: ";
  head += std::to_string(contentLength);
  head += "\r\n\r\n";
  return head;
}

bool WriteFormRequest(std::string_view head, const std::vector<FormPart>& parts,
                      std::string_view boundary, const ByteSink& sink) {
  SendBuffer out(sink);
  if (!out.Put(head)) return false;
  for (const FormPart& part : parts) {
    bool ok = out.Put("--") && out.Put(boundary) && out.Put("\r\n") &&
              out.Put("Content-Disposition: form-data; name=\"") && out.Put(part.name);
    if (part.isFile) {
      ok = ok && out.Put("\"; filename=\"") && out.Put(part.fileName) &&
           out.Put("\"\r\nContent-Type: application/octet-stream\r\n\r\n");
    } else {
      ok = ok && out.Put("\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n");
    }
    const std::string_view body = part.isFile ? part.data : std::string_view(part.value);
    ok = ok && (part.scrambled ? PutScrambled(out, body, part.isFile) : out.Put(body));
    if (!ok || !out.Put("\r\n")) return false;
  }
  return out.Put("--") && out.Put(boundary) && out.Put("--\r\n") && out.Flush();
}

int ParseSubmissionReply(std::string_view received, SubmissionRequest& request) {
  received = received.substr(0, received.find('\0'));
  const auto reply = FindKey(received, "chs_reply=");
  if (!reply) return kSubmitBadReply;
  request.reply = ToInt32(*reply);
  request.exitCode = 0;
  request.waitMinutes = 0;
  if (*reply < 0 || *reply > 5) return kSubmitBadReply;
  if (auto exitCode = FindKey(received, "chs_exitcode=")) request.exitCode = ToInt32(*exitCode);
  if (auto session = FindKey(received, "chs_sessionid="))
    request.sessionId = static_cast<uint32_t>(*session);
  if (auto wait = FindKey(received, "chs_waitminutes=")) request.waitMinutes = ToInt32(*wait);
  return kSubmitOk;
}

}  // namespace qws
