// A health check that tests and scripts poll until the server answers.
#include "server/server_context.h"

namespace qws::server {
namespace {

const RouteRegistration kStatus("status", [](httplib::Server& server, ServerContext&) {
  server.Get("/status", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("ok\n", "text/plain");
  });
});

}  // namespace
}  // namespace qws::server
