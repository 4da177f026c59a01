#include "report/submission_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "base/endpoints.h"
#include "base/scoped_handle.h"
#include "base/u16.h"

namespace qws {

namespace {

class WinsockSession {
 public:
  WinsockSession() { started_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
  ~WinsockSession() {
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

 private:
  WSADATA data_{};
  bool started_ = false;
};

// Waits until the socket can be written (or read); false on a timeout or an error.
bool WaitFor(SOCKET socket, bool forWriting, std::chrono::milliseconds wait) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  fd_set errors;
  FD_ZERO(&errors);
  FD_SET(socket, &errors);
  timeval timeout{static_cast<long>(wait.count() / 1000), static_cast<long>(wait.count() % 1000) * 1000};
  const int ready = select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, &errors, &timeout);
  if (ready == 0) WSASetLastError(ERROR_TIMEOUT);
  return ready > 0 && FD_ISSET(socket, &set) && !FD_ISSET(socket, &errors);
}

bool ResolveIPv4(const std::string& host, unsigned port, sockaddr_in& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) == 0 && found) {
    const bool usable = found->ai_addrlen >= sizeof(sockaddr_in);
    if (usable) std::memcpy(&address, found->ai_addr, sizeof(sockaddr_in));
    freeaddrinfo(found);
    if (usable) return true;
  }
  const hostent* entry = gethostbyname(host.c_str());
  if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0])
    return false;
  address = {};
  address.sin_family = AF_INET;
  std::memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof(address.sin_addr));
  address.sin_port = htons(static_cast<u_short>(port));
  return true;
}

int Connect(ScopedSocket& socketOut, const QueryServer& server) {
  ScopedSocket connection(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!connection) return kSubmitNoSocket;
  sockaddr_in address{};
  if (!ResolveIPv4(server.host, server.port, address)) return kSubmitHostNotResolved;
  u_long nonBlocking = 1;
  if (ioctlsocket(connection.get(), FIONBIO, &nonBlocking) != 0) return kSubmitConnectFailed;
  if (connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK || !WaitFor(connection.get(), true, server.wait))
      return kSubmitConnectFailed;
  }
  BOOL noDelay = TRUE;
  setsockopt(connection.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
             sizeof(noDelay));
  socketOut = std::move(connection);
  return kSubmitOk;
}

bool SendAll(SOCKET socket, const char* data, size_t length, std::chrono::milliseconds wait) {
  while (length > 0) {
    if (!WaitFor(socket, true, wait)) return false;
    const int chunk = static_cast<int>(std::min<size_t>(length, 1 << 20));
    const int sent = send(socket, data, chunk, 0);
    if (sent == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
      return false;
    }
    data += sent;
    length -= static_cast<size_t>(sent);
  }
  return true;
}

// Reads until the server closes or the reply buffer is full.
bool ReceiveReply(SOCKET socket, std::string& reply, std::chrono::milliseconds wait) {
  char buffer[kMaxSubmissionReply];
  size_t held = 0;
  while (held < kMaxSubmissionReply) {
    if (!WaitFor(socket, false, wait)) return false;
    const int received = recv(socket, buffer + held, static_cast<int>(kMaxSubmissionReply - held), 0);
    if (received == 0) break;
    if (received == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
      return false;
    }
    held += static_cast<size_t>(received);
  }
  reply.assign(buffer, held);
  return true;
}

std::string AbsoluteUrl(const QueryServer& server) {
  std::string url = "http://" + server.host;
  if (server.port != 80) url += ":" + std::to_string(server.port);
  return url + server.path;
}

}  // namespace

QueryServer DefaultQueryServer() {
  QueryServer server;
  const ServerAddress address = EndpointAddress(kQueryEndpoint);
  server.host = U16ToUtf8(address.host);
  server.port = address.port;
  return server;
}

int Submit(SubmissionRequest& request, const QueryServer& server) {
  if (!IsValidRequest(request)) return kSubmitInvalidRequest;
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  const std::vector<FormPart> parts = BuildFormParts(request, now);
  const std::string boundary = MakeBoundary(static_cast<uint32_t>(now));
  const uint64_t contentLength = FormContentLength(parts, boundary);
  if (contentLength > kMaxSubmissionBody) return kSubmitBodyTooLong;

  WinsockSession winsock;
  ScopedSocket connection;
  if (const int result = Connect(connection, server); result != kSubmitOk) return result;

  const std::string head =
      FormRequestHead(AbsoluteUrl(server), boundary, server.host, server.port, contentLength);
  const ByteSink sink = [&](const char* data, size_t length) {
    return SendAll(connection.get(), data, length, server.wait);
  };
  if (!WriteFormRequest(head, parts, boundary, sink)) return kSubmitTransferFailed;
  std::string reply;
  if (!ReceiveReply(connection.get(), reply, server.wait)) return kSubmitTransferFailed;
  connection.reset();
  return ParseSubmissionReply(reply, request);
}

bool SubmitReport(std::string_view report, const QueryServer& server) {
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  SubmissionRequest request;
  request.mode = 0;
  request.dataType = 3;
  request.key = "key";
  request.firstHitTime = now;
  request.lastHitTime = now;
  request.attributes = "";
  request.fileData = report;
  if (Submit(request, server) != kSubmitOk) return false;
  if (request.reply != kReplySendData) return true;
  request.mode = 1;
  return Submit(request, server) == kSubmitOk;
}

}  // namespace qws
