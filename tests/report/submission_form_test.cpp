// The submission's protocol text: parts, scrambling, boundary, content length and reply keys.
#include "report/submission_form.h"

#include <gtest/gtest.h>

#include <map>

namespace qws {
namespace {

constexpr int64_t kNow = 1765000000;  // 2025-12-06 05:46:40 UTC

SubmissionRequest ReportRequest(std::string_view data) {
  SubmissionRequest request;
  request.dataType = 3;
  request.key = "key";
  request.firstHitTime = kNow - 90;
  request.lastHitTime = kNow;
  request.attributes = "";
  request.sessionId = 77;
  request.fileData = data;
  return request;
}

struct Sent {
  std::string bytes;
  std::vector<size_t> writes;
};

Sent WriteAll(const SubmissionRequest& request) {
  const auto parts = BuildFormParts(request, kNow);
  const std::string boundary = MakeBoundary(static_cast<uint32_t>(kNow));
  const std::string head = FormRequestHead("http://q.example/query/chsquery.php", boundary,
                                           "q.example", 80, FormContentLength(parts, boundary));
  Sent sent;
  EXPECT_TRUE(WriteFormRequest(head, parts, boundary, [&](const char* data, size_t length) {
    sent.bytes.append(data, length);
    sent.writes.push_back(length);
    return true;
  }));
  return sent;
}

// Splits a body into its parts: field name to (headers, unscrambled value).
std::map<std::string, std::string> ReadFields(const std::string& message, bool unscramble) {
  const size_t bodyStart = message.find("\r\n\r\n") + 4;
  const size_t boundaryAt = message.find("boundary=") + 9;
  const std::string boundary = message.substr(boundaryAt, message.find("\r\n", boundaryAt) - boundaryAt);
  const std::string separator = "--" + boundary + "\r\n";
  std::map<std::string, std::string> fields;
  size_t at = bodyStart;
  while (message.compare(at, separator.size(), separator) == 0) {
    at += separator.size();
    const size_t nameAt = message.find("name=\"", at) + 6;
    const std::string name = message.substr(nameAt, message.find('"', nameAt) - nameAt);
    const size_t valueAt = message.find("\r\n\r\n", at) + 4;
    const size_t valueEnd = message.find("\r\n--" + boundary, valueAt);
    std::string value = message.substr(valueAt, valueEnd - valueAt);
    const bool scrambled = name.rfind("chc_", 0) != 0;
    if (unscramble && scrambled) {
      if (name == "file") ScrambleFileData(value.data(), value.size(), 0);
      else ScrambleText(value.data(), value.size(), 0);
    }
    fields[name] = value;
    at = valueEnd + 2;
  }
  EXPECT_EQ(message.substr(at), "--" + boundary + "--\r\n");
  return fields;
}

TEST(SubmissionForm, PartsComeInOrderWithTheirValues) {
  SubmissionRequest request = ReportRequest(std::string_view("report\0", 7));
  const auto parts = BuildFormParts(request, kNow);
  std::vector<std::string> names;
  for (const auto& part : parts) names.push_back(part.name);
  EXPECT_EQ(names, (std::vector<std::string>{"chc_pversion", "chc_sversion", "chc_gmdatetime",
                                             "chc_datetime", "datatype", "key", "priority",
                                             "hitcount", "firsthitdate", "lasthitdate",
                                             "firsthitdatedelta", "attributes", "sessionid",
                                             "chc_valid"}));
  request.mode = 1;
  const auto withFile = BuildFormParts(request, kNow);
  ASSERT_EQ(withFile.size(), 15u);
  EXPECT_TRUE(withFile[13].isFile);
  EXPECT_EQ(withFile[13].name, "file");
  EXPECT_EQ(withFile[13].fileName, "file");
  EXPECT_EQ(withFile[14].name, "chc_valid");

  const auto fields = ReadFields(WriteAll(request).bytes, true);
  EXPECT_EQ(fields.at("chc_pversion"), "5");
  EXPECT_EQ(fields.at("chc_sversion"), "64");
  EXPECT_EQ(fields.at("chc_gmdatetime"), "2025-12-06 05:46:40");
  EXPECT_EQ(fields.at("datatype"), "3");
  EXPECT_EQ(fields.at("key"), "key");
  EXPECT_EQ(fields.at("priority"), "0");
  EXPECT_EQ(fields.at("firsthitdate"), "2025-12-06 05:45:10");
  EXPECT_EQ(fields.at("lasthitdate"), "2025-12-06 05:46:40");
  EXPECT_EQ(fields.at("firsthitdatedelta"), "90");
  EXPECT_EQ(fields.at("attributes"), "");
  EXPECT_EQ(fields.at("sessionid"), "77");
  EXPECT_EQ(fields.at("file"), std::string("report\0", 7));
  EXPECT_EQ(fields.at("chc_valid"), "1");
}

TEST(SubmissionForm, ContentLengthIsExactlyTheBodyAndSendsGoOutIn4096ByteBlocks) {
  // Larger than a scramble piece, so the key position must carry across pieces.
  std::string data(40000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + 7);
  for (uint32_t mode : {0u, 1u}) {
    SubmissionRequest request = ReportRequest(data);
    request.mode = mode;
    request.attributes = std::nullopt;
    const Sent sent = WriteAll(request);
    const size_t blank = sent.bytes.find("\r\n\r\n");
    const size_t lengthAt = sent.bytes.find("Content-Length: ") + 16;
    const auto announced = std::stoull(sent.bytes.substr(lengthAt, blank - lengthAt));
    EXPECT_EQ(announced, sent.bytes.size() - blank - 4) << "mode " << mode;
    for (size_t i = 0; i + 1 < sent.writes.size(); ++i) EXPECT_EQ(sent.writes[i], 4096u);
    EXPECT_LE(sent.writes.back(), 4096u);
    if (mode == 1) {
      const auto fields = ReadFields(sent.bytes, true);
      EXPECT_EQ(fields.at("file"), data);
    }
  }
  EXPECT_EQ(data[1], static_cast<char>(38)) << "the caller's data must stay as it was";
}

TEST(SubmissionForm, HeadNamesTheAbsoluteAddressBoundaryHostAndLength) {
  EXPECT_EQ(FormRequestHead("http://h/query/chsquery.php", "B", "h", 80, 123),
            "POST http://h/query/chsquery.php HTTP/1.0\r\n"
            "Content-Type: multipart/form-data; boundary=B\r\nHost: h:80\r\n"
            "Content-Length: 123\r\n\r\n");
}

TEST(SubmissionForm, TextScramblingKeepsBytesThatEqualTheKeyAndNeverMakesNul) {
  const std::string_view key = SubmissionKey();
  ASSERT_EQ(key.size(), 206u);
  std::string value = {key[0], 'a', key[2]};
  std::string scrambled = value;
  ScrambleText(scrambled.data(), scrambled.size(), 0);
  EXPECT_EQ(scrambled[0], key[0]);
  EXPECT_EQ(scrambled[1], static_cast<char>('a' ^ key[1]));
  EXPECT_EQ(scrambled[2], key[2]);
  // Key positions wrap at 206 and continue from an offset.
  std::string tail = "xy";
  ScrambleText(tail.data(), 2, 205);
  EXPECT_EQ(tail[0], static_cast<char>('x' ^ key[205]));
  EXPECT_EQ(tail[1], static_cast<char>('y' ^ key[0]));
  // File data is always XORed, so a key byte becomes NUL.
  std::string file = {key[0]};
  ScrambleFileData(file.data(), 1, 0);
  EXPECT_EQ(file[0], '\0');
  // Every byte of every key position scrambles to a non-NUL and back.
  for (int byte = 1; byte < 256; ++byte) {
    std::string all(206, static_cast<char>(byte));
    std::string round = all;
    ScrambleText(round.data(), round.size(), 0);
    EXPECT_EQ(round.find('\0'), std::string::npos);
    ScrambleText(round.data(), round.size(), 0);
    EXPECT_EQ(round, all);
  }
}

TEST(SubmissionForm, EmptyValueIsAnEmptyPartBody) {
  const Sent sent = WriteAll(ReportRequest(""));
  EXPECT_NE(sent.bytes.find("name=\"attributes\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n\r\n--"),
            std::string::npos);
}

TEST(SubmissionForm, BoundaryIsFortyCharactersWithSpacePaddedHex) {
  EXPECT_EQ(MakeBoundary(0x1a2b), "------------------------3kMBisMe    1a2b");
  EXPECT_EQ(MakeBoundary(0xdeadbeef), "------------------------3kMBisMedeadbeef");
  EXPECT_EQ(MakeBoundary(0).size(), 40u);
}

TEST(SubmissionForm, RequestsNeedAKeyAndModeZeroOrOne) {
  SubmissionRequest request = ReportRequest("");
  EXPECT_TRUE(IsValidRequest(request));
  request.mode = 1;
  EXPECT_TRUE(IsValidRequest(request));
  request.mode = 2;
  EXPECT_FALSE(IsValidRequest(request));
  request.mode = 0;
  request.key.clear();
  EXPECT_FALSE(IsValidRequest(request));
}

TEST(SubmissionForm, LongTextValuesAreCutAt255Bytes) {
  SubmissionRequest request = ReportRequest("");
  request.key = std::string(300, 'k');
  EXPECT_EQ(BuildFormParts(request, kNow)[5].value.size(), 255u);
}

TEST(SubmissionForm, ReplyKeysAreFoundAnywhere) {
  struct Case {
    std::string text;
    int result;
    int32_t reply, exitCode;
    uint32_t sessionId;
    int32_t waitMinutes;
  };
  const Case cases[] = {
      {"chs_reply=0", kSubmitOk, 0, 0, 5, 0},  // session id stays as it was (5)
      {"HTTP/1.0 200 OK\r\n\r\nchs_reply=2\r\nchs_sessionid=77\r\n", kSubmitOk, 2, 0, 77, 0},
      {"chs_waitminutes=9 chs_exitcode=-3 chs_reply= 1", kSubmitOk, 1, -3, 5, 9},
      {"chs_reply=5", kSubmitOk, 5, 0, 5, 0},
      {"chs_reply=6 chs_sessionid=9", kSubmitBadReply, 6, 0, 5, 0},
      {"chs_reply=-1", kSubmitBadReply, -1, 0, 5, 0},
      {"<html>500 Internal Server Error</html>", kSubmitBadReply, 99, 99, 5, 99},
      {"chs_reply=x", kSubmitBadReply, 99, 99, 5, 99},
      {"", kSubmitBadReply, 99, 99, 5, 99},
      {std::string("junk\0chs_reply=0", 16), kSubmitBadReply, 99, 99, 5, 99},
      {"chs_reply=99999999999999999999", kSubmitBadReply, 2147483647, 0, 5, 0},
  };
  for (const Case& c : cases) {
    SubmissionRequest request;
    request.reply = request.exitCode = request.waitMinutes = 99;
    request.sessionId = 5;
    EXPECT_EQ(ParseSubmissionReply(c.text, request), c.result) << c.text;
    EXPECT_EQ(request.reply, c.reply) << c.text;
    EXPECT_EQ(request.exitCode, c.exitCode) << c.text;
    EXPECT_EQ(request.sessionId, c.sessionId) << c.text;
    EXPECT_EQ(request.waitMinutes, c.waitMinutes) << c.text;
  }
}

}  // namespace
}  // namespace qws
