// The help and trial pages that the program opens in the browser.
#include "server/server_context.h"

namespace qws::server {
namespace {

std::string Page(const std::string& title, const std::string& body, const httplib::Request&) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
         "</title></head>\n<body><h1>" + title + "</h1>\n<p>" + body +
         "</p></body></html>\n";
}

const RouteRegistration kPages("pages", [](httplib::Server& server, ServerContext&) {
  server.Get("/websweep-help", [](const httplib::Request& request, httplib::Response& response) {
    response.set_content(Page("Quellix WebSweep help",
                              "Quellix WebSweep checks your computer for malware without installing "
                              "anything. Accept the terms, choose what to scan and press Scan.",
                              request),
                         "text/html");
  });
  server.Get("/downloadtrial", [](const httplib::Request& request, httplib::Response& response) {
    response.set_content(Page("Free 30-day trial",
                              "Download the Quellix trial and keep your computer protected.", request),
                         "text/html");
  });
});

}  // namespace
}  // namespace qws::server
