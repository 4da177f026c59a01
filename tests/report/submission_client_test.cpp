// Submissions over real sockets: both exchanges against qws-server on loopback, and every reply
// case, with servers of this test's own where qws-server cannot misbehave that way.
#include "report/submission_client.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/scoped_handle.h"
#include "tests/net/test_server.h"

namespace qws {
namespace {

using test::TestServerFolder;
using test::TestServerPort;

QueryServer Loopback(unsigned port, std::chrono::milliseconds wait = std::chrono::seconds(60)) {
  QueryServer server;
  server.host = "127.0.0.1";
  server.port = port;
  server.wait = wait;
  return server;
}

std::string SampleReport() {
  std::string report = "Quellix WebSweep scan report\r\nObjects scanned: 1234\r\n";
  for (int i = 0; i < 3000; ++i) report += static_cast<char>(1 + (i * 37) % 255);  // every byte but NUL
  report += "\r\nEnd\r\n";
  report.push_back('\0');
  return report;
}

SubmissionRequest MetadataRequest(std::string_view data) {
  SubmissionRequest request;
  request.dataType = 3;
  request.key = "key";
  request.firstHitTime = request.lastHitTime = static_cast<int64_t>(time(nullptr));
  request.attributes = "";
  request.fileData = data;
  return request;
}

class QuerySubmission : public testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override { WSACleanup(); }

  static QueryServer Fixture(const wchar_t* name) {
    const unsigned port = TestServerPort(name);
    EXPECT_NE(port, 0u) << "qws-server fixture missing";
    return Loopback(port);
  }
};

// qws-server asks for the data; the second post carries it with the session id it handed out.
// The host check (check_stored_report.sh) then compares the stored report with this one.
TEST_F(QuerySubmission, BothExchangesStoreTheReport) {
  const std::string report = SampleReport();
  const QueryServer server = Fixture(L"query_ask");
  SubmissionRequest first = MetadataRequest(report);
  ASSERT_EQ(Submit(first, server), kSubmitOk);
  EXPECT_EQ(first.reply, kReplySendData);
  EXPECT_EQ(first.sessionId, 77u);
  first.mode = 1;
  ASSERT_EQ(Submit(first, server), kSubmitOk);
  EXPECT_EQ(first.reply, 0);

  ASSERT_TRUE(SubmitReport(report, server));
  // The report travels with its final NUL; the stored text ends before it.
  test::WriteFileBytes(TestServerFolder(L"query_ask") + L"\\sent-report.txt", report.substr(0, report.size() - 1));
}

TEST_F(QuerySubmission, ServerThatDoesNotAskGetsOneExchange) {
  SubmissionRequest request = MetadataRequest("x");
  request.sessionId = 5;
  ASSERT_EQ(Submit(request, Fixture(L"query_plain")), kSubmitOk);
  EXPECT_EQ(request.reply, 0);
  EXPECT_EQ(request.exitCode, 3);
  EXPECT_EQ(request.waitMinutes, 15);
  EXPECT_EQ(request.sessionId, 1u) << "the first stored submission's id";
  EXPECT_TRUE(SubmitReport(SampleReport(), Fixture(L"query_plain")));
}

TEST_F(QuerySubmission, RepliesWithoutAValidReplyValueFail) {
  for (const wchar_t* name : {L"query_reply6", L"query_error"}) {
    SubmissionRequest request = MetadataRequest("x");
    EXPECT_EQ(Submit(request, Fixture(name)), kSubmitBadReply) << name;
    EXPECT_FALSE(SubmitReport(SampleReport(), Fixture(name))) << name;
  }
}

// A listening socket of the test's own that treats each connection as told.
class OwnServer {
 public:
  enum class Behaviour { NeverAnswer, CloseAtOnce, ReadThenClose, Send5000WithoutReply, Record };

  explicit OwnServer(Behaviour behaviour) : behaviour_(behaviour) {
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(listener_.get(), 4);
    thread_ = std::thread([this] { Serve(); });
  }
  ~OwnServer() {
    stop_ = true;
    // A last connection wakes the accepting thread.
    ScopedSocket wake(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port_));
    connect(wake.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
    thread_.join();
  }

  unsigned port() const { return port_; }
  int accepted() const { return accepted_; }
  const std::string& received() const { return received_; }

 private:
  // Reads until the head's Content-Length bytes of body have arrived.
  void ReadRequest(SOCKET client) {
    char buffer[8192];
    while (true) {
      const size_t blank = received_.find("\r\n\r\n");
      if (blank != std::string::npos) {
        const size_t at = received_.find("Content-Length: ");
        const size_t length = at == std::string::npos ? 0 : std::stoul(received_.substr(at + 16));
        if (received_.size() >= blank + 4 + length) return;
      }
      const int got = recv(client, buffer, sizeof(buffer), 0);
      if (got <= 0) return;
      received_.append(buffer, got);
    }
  }

  void Serve() {
    while (!stop_) {
      ScopedSocket client(accept(listener_.get(), nullptr, nullptr));
      if (!client || stop_) return;
      ++accepted_;
      switch (behaviour_) {
        case Behaviour::NeverAnswer:
          while (!stop_) Sleep(20);
          break;
        case Behaviour::CloseAtOnce:
          break;
        case Behaviour::ReadThenClose:
          ReadRequest(client.get());
          break;
        case Behaviour::Send5000WithoutReply: {
          ReadRequest(client.get());
          // The key lies beyond what the client reads.
          const std::string reply = std::string(5000, 'x') + "chs_reply=0";
          send(client.get(), reply.data(), static_cast<int>(reply.size()), 0);
          break;
        }
        case Behaviour::Record: {
          ReadRequest(client.get());
          const std::string reply = "HTTP/1.0 200 OK\r\n\r\nchs_reply=0\r\n";
          send(client.get(), reply.data(), static_cast<int>(reply.size()), 0);
          break;
        }
      }
      shutdown(client.get(), SD_BOTH);
    }
  }

  Behaviour behaviour_;
  ScopedSocket listener_;
  unsigned port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::string received_;
  std::thread thread_;
};

TEST_F(QuerySubmission, ServerThatNeverAnswersTimesOut) {
  OwnServer server(OwnServer::Behaviour::NeverAnswer);
  SubmissionRequest request = MetadataRequest("x");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Submit(request, Loopback(server.port(), std::chrono::milliseconds(700))), kSubmitTransferFailed);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600));
}

TEST_F(QuerySubmission, ServerThatClosesFails) {
  {
    OwnServer server(OwnServer::Behaviour::ReadThenClose);
    SubmissionRequest request = MetadataRequest("x");
    EXPECT_EQ(Submit(request, Loopback(server.port(), std::chrono::seconds(10))), kSubmitBadReply)
        << "an empty reply";
  }
  {
    OwnServer server(OwnServer::Behaviour::CloseAtOnce);
    SubmissionRequest request = MetadataRequest("x");
    const int result = Submit(request, Loopback(server.port(), std::chrono::seconds(10)));
    EXPECT_TRUE(result == kSubmitTransferFailed || result == kSubmitBadReply) << result;
  }
}

TEST_F(QuerySubmission, LongReplyWithoutReplyKeyFails) {
  OwnServer server(OwnServer::Behaviour::Send5000WithoutReply);
  SubmissionRequest request = MetadataRequest("x");
  EXPECT_EQ(Submit(request, Loopback(server.port(), std::chrono::seconds(10))), kSubmitBadReply);
}

TEST_F(QuerySubmission, ContentLengthMatchesWhatArrives) {
  OwnServer server(OwnServer::Behaviour::Record);
  const std::string report = SampleReport() + std::string(50000, 'r');
  SubmissionRequest request = MetadataRequest(report);
  request.mode = 1;
  ASSERT_EQ(Submit(request, Loopback(server.port(), std::chrono::seconds(10))), kSubmitOk);
  const std::string& received = server.received();
  const size_t blank = received.find("\r\n\r\n");
  ASSERT_NE(blank, std::string::npos);
  EXPECT_EQ(received.rfind("POST http://127.0.0.1:" + std::to_string(server.port()) +
                               "/query/chsquery.php HTTP/1.0\r\n", 0), 0u);
  EXPECT_NE(received.find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"), std::string::npos);
  const size_t at = received.find("Content-Length: ");
  EXPECT_EQ(std::stoul(received.substr(at + 16)), received.size() - blank - 4);
}

TEST_F(QuerySubmission, RefusedRequestsSendNothing) {
  OwnServer server(OwnServer::Behaviour::Record);
  const QueryServer loopback = Loopback(server.port(), std::chrono::seconds(10));
  SubmissionRequest noKey = MetadataRequest("x");
  noKey.key.clear();
  EXPECT_EQ(Submit(noKey, loopback), kSubmitInvalidRequest);
  SubmissionRequest badMode = MetadataRequest("x");
  badMode.mode = 2;
  EXPECT_EQ(Submit(badMode, loopback), kSubmitInvalidRequest);
  const std::string huge(kMaxSubmissionBody, 'h');
  SubmissionRequest tooLong = MetadataRequest(huge);
  tooLong.mode = 1;
  EXPECT_EQ(Submit(tooLong, loopback), kSubmitBodyTooLong);
  tooLong.mode = 0;  // without the file part it fits
  EXPECT_EQ(Submit(tooLong, loopback), kSubmitOk);
  EXPECT_EQ(server.accepted(), 1);
}

TEST_F(QuerySubmission, NoListenerMeansNoConnection) {
  unsigned port = 0;
  {
    OwnServer closed(OwnServer::Behaviour::CloseAtOnce);
    port = closed.port();
  }
  SubmissionRequest request = MetadataRequest("x");
  EXPECT_EQ(Submit(request, Loopback(port, std::chrono::seconds(5))), kSubmitConnectFailed);
}

}  // namespace
}  // namespace qws
