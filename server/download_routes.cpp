// The download server ("/special/...": version marker, program copy, detection database index and
// file) and the banner server ("/banner-websweep/": list and images), served from the content
// folder. In served .xml files "@SERVER@" becomes "http://" and the request's Host, so that
// lists and indexes can name files on a server whose port is chosen at start.
//
// Faults (--set):
//   files.status=N       answer every file request with this status and an error page
//   files.truncate=N     send at most N bytes of a file's body, then drop the connection
//   files.pause_ms=N     send bodies in pieces of 64 KiB with a pause of N ms after each, so
//                        that a client's progress can be watched
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "server/server_context.h"

namespace qws::server {
namespace {

// The size of the pieces of a paused body.
constexpr size_t kPiece = 64 * 1024;

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// Serves content/<relative>; nothing outside the content folder.
void ServeFile(const ServerContext& context, const std::string& relative,
               const httplib::Request& request, httplib::Response& response) {
  if (const std::string status = context.Option("files.status"); !status.empty()) {
    response.status = std::atoi(status.c_str());
    response.set_content("<html><body>error " + status + "</body></html>", "text/html");
    return;
  }
  const std::filesystem::path path = (context.content / relative).lexically_normal();
  const std::string folder = (context.content.lexically_normal() / "").string();
  std::string bytes;
  if (relative.find("..") != std::string::npos || path.string().rfind(folder, 0) != 0 ||
      !std::filesystem::is_regular_file(path) || !ReadWholeFile(path, bytes)) {
    response.status = 404;
    response.set_content("not found\n", "text/plain");
    return;
  }
  const bool xml = path.extension() == ".xml";
  if (xml) ReplaceAll(bytes, "@SERVER@", "http://" + request.get_header_value("Host"));
  const std::string type = xml ? "text/xml" : path.extension() == ".png" ? "image/png"
                                                                         : "application/octet-stream";
  const std::string truncate = context.Option("files.truncate");
  const int pauseMs = std::atoi(context.Option("files.pause_ms", "0").c_str());
  if (truncate.empty() && pauseMs <= 0) {
    response.set_content(bytes, type.c_str());
    return;
  }
  // The length announced is the whole file's; with a truncation the connection ends after the
  // first bytes.
  const size_t sent = truncate.empty() ? bytes.size()
                                       : std::min(bytes.size(), static_cast<size_t>(std::atoll(truncate.c_str())));
  auto body = std::make_shared<std::string>(std::move(bytes));
  response.set_content_provider(
      body->size(), type.c_str(),
      [body, sent, pauseMs](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset >= sent) return false;
        const size_t piece = pauseMs > 0 ? std::min(kPiece, sent - offset) : sent - offset;
        sink.write(body->data() + offset, piece);
        if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        return true;
      });
}

// Requests may name the absolute address (as they do to a proxy): the router then sees it whole.
const RouteRegistration kDownloads("downloads", [](httplib::Server& server, ServerContext& context) {
  server.Get(R"((?:http://[^/]+)?/special/(.+))", [&context](const httplib::Request& request, httplib::Response& response) {
    ServeFile(context, "special/" + request.matches[1].str(), request, response);
  });
  // The list itself is asked for with the language: "/banner-websweep/?lng=1033".
  server.Get(R"((?:http://[^/]+)?/banner-websweep/(.*))", [&context](const httplib::Request& request, httplib::Response& response) {
    const std::string name = request.matches[1].str();
    ServeFile(context, "banner-websweep/" + (name.empty() ? std::string("banners.xml") : name), request,
              response);
  });
});

}  // namespace
}  // namespace qws::server
