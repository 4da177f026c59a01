// The engine module update path "/download/engineqws3/": files of the module set in the content
// folder (content/download/engineqws3/), and the telemetry the library posts there.
//
// Faults for tests, for every request with --set update.fault=<name>, or for one request under
// "/fault/<name>/download/engineqws3/":
//   unreachable  the connection is closed without a reply
//   slow         the body arrives in small pieces, update.slow_ms (default 200) apart
//   truncated    modules are announced whole and cut off halfway
//   badsig       the manifest's signature is altered
//   baddigest    one byte of each module is altered (same size)
//   stale        the older, correctly signed set of content/download/engineqws3-stale/
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "server/server_context.h"

namespace qws::server {
namespace {

std::atomic<int> g_ferry_reports{0};

bool SafeName(const std::string& name) {
  if (name.empty() || name.size() > 64 || name[0] == '.') return false;
  for (char c : name)
    if (!isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') return false;
  return true;
}

void Serve(const ServerContext& context, const std::string& fault, const std::string& name,
           httplib::Response& response) {
  if (!SafeName(name)) {
    response.status = 404;
    return;
  }
  const std::string set = fault == "stale" ? "engineqws3-stale" : "engineqws3";
  std::ifstream in(context.content / "download" / set / name, std::ios::binary);
  if (!in) {
    response.status = 404;
    return;
  }
  std::stringstream buffer;
  buffer << in.rdbuf();
  auto body = std::make_shared<std::string>(buffer.str());
  const bool module = name != "manifest.txt" && name != "manifest.sig";
  if (fault == "badsig" && name == "manifest.sig" && body->size() > 4) (*body)[body->size() - 3] ^= 0x01;
  if (fault == "baddigest" && module && !body->empty()) (*body)[body->size() / 2] ^= 0x20;

  if (fault == "unreachable") {
    response.set_content_provider(body->size(), "application/octet-stream",
                                  [](size_t, size_t, httplib::DataSink&) { return false; });
    return;
  }
  const size_t cut = fault == "truncated" && module ? body->size() / 2 : body->size();
  const int slow_ms = fault == "slow" ? std::stoi(context.Option("update.slow_ms", "200")) : 0;
  response.set_content_provider(body->size(), "application/octet-stream",
                                [body, cut, slow_ms](size_t offset, size_t length, httplib::DataSink& sink) {
                                  if (offset >= cut) return false;  // the connection breaks off
                                  size_t piece = std::min(length, cut - offset);
                                  if (slow_ms) {
                                    piece = std::min<size_t>(piece, 256);
                                    std::this_thread::sleep_for(std::chrono::milliseconds(slow_ms));
                                  }
                                  return sink.write(body->data() + offset, piece);
                                });
}

const RouteRegistration kUpdate("update", [](httplib::Server& server, ServerContext& context) {
  server.Get(R"(/download/engineqws3/([^/]+))", [&context](const httplib::Request& request, httplib::Response& response) {
    Serve(context, context.Option("update.fault"), request.matches[1], response);
  });
  server.Get(R"(/fault/([a-z]+)/download/engineqws3/([^/]+))",
             [&context](const httplib::Request& request, httplib::Response& response) {
               Serve(context, request.matches[1], request.matches[2], response);
             });
  // Telemetry from the library: counts only; the server just acknowledges and counts them.
  server.Post(R"(/download/engineqws3/ferry)", [](const httplib::Request& request, httplib::Response& response) {
    if (request.body.size() > 1 << 20) {
      response.status = 413;
      return;
    }
    ++g_ferry_reports;
    response.set_content("ok\n", "text/plain");
  });
});

}  // namespace
}  // namespace qws::server
