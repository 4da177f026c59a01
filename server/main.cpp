// qws-server: the maker's servers in one program, on one port.
//
//   qws-server [--host H] [--port N] [--port-file F] [--content DIR] [--db FILE]
//              [--set group.option=value]... [--delay-ms N] [--request-log FILE]
//   qws-server <command> [options] [args...]
//
// --port 0 picks a free port; the chosen one is printed ("listening on H:N") and written to
// --port-file. Route groups register themselves (files named *_routes.cpp). --request-log
// appends one line per answered request, "GET /path status", so that a test can tell what a
// client asked for and how often.
#include <httplib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>

#include "server/server_context.h"

namespace {

httplib::Server* g_server = nullptr;

void Stop(int) {
  if (g_server) g_server->stop();
}

int Usage() {
  std::cerr << "usage: qws-server [--host H] [--port N] [--port-file F] [--content DIR] [--db FILE]"
               " [--set group.option=value]... [--delay-ms N] [--request-log FILE]\n";
  for (const auto& [name, entry] : qws::server::Commands())
    std::cerr << "       qws-server " << name << " " << entry.usage << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using qws::server::ServerContext;
  ServerContext context;
  context.content = "content";
  context.database = "qws-server.sqlite";
  std::string host = "127.0.0.1";
  int port = 80;
  std::string portFile;
  int delayMs = 0;
  std::string requestLog;
  std::string command;
  std::vector<std::string> commandArgs;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::cerr << "qws-server: " << arg << " needs a value\n";
        std::exit(Usage());
      }
      return argv[++i];
    };
    if (arg == "--host") host = value();
    else if (arg == "--port") port = std::atoi(value().c_str());
    else if (arg == "--port-file") portFile = value();
    else if (arg == "--content") context.content = value();
    else if (arg == "--db") context.database = value();
    else if (arg == "--delay-ms") delayMs = std::atoi(value().c_str());
    else if (arg == "--request-log") requestLog = value();
    else if (arg == "--set") {
      const std::string setting = value();
      const size_t equals = setting.find('=');
      if (equals == std::string::npos) return Usage();
      context.options[setting.substr(0, equals)] = setting.substr(equals + 1);
    } else if (arg == "--help" || arg == "-h") return Usage();
    else if (command.empty() && arg.rfind("--", 0) != 0) command = arg;
    else if (!command.empty()) commandArgs.push_back(arg);
    else {
      std::cerr << "qws-server: unknown option " << arg << "\n";
      return Usage();
    }
  }

  if (!command.empty()) {
    auto it = qws::server::Commands().find(command);
    if (it == qws::server::Commands().end()) {
      std::cerr << "qws-server: unknown command " << command << "\n";
      return Usage();
    }
    return it->second.run(context, commandArgs);
  }

  httplib::Server server;
  if (delayMs > 0) {
    server.set_pre_routing_handler([delayMs](const httplib::Request&, httplib::Response&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
      return httplib::Server::HandlerResponse::Unhandled;
    });
  }
  for (auto& [group, install] : qws::server::RouteGroups()) install(server, context);
  std::ofstream requests;
  std::mutex requestsLock;
  if (!requestLog.empty()) {
    requests.open(requestLog, std::ios::app);
    // Requests are answered on several threads; each line is written whole and at once.
    server.set_logger([&](const httplib::Request& request, const httplib::Response& response) {
      std::lock_guard<std::mutex> guard(requestsLock);
      requests << request.method << ' ' << request.path << ' ' << response.status << std::endl;
    });
  }

  if (port == 0) port = server.bind_to_any_port(host);
  else if (!server.bind_to_port(host, port)) port = -1;
  if (port <= 0) {
    std::cerr << "qws-server: cannot listen on " << host << "\n";
    return 1;
  }
  if (!portFile.empty()) std::ofstream(portFile) << port << "\n";
  std::cout << "listening on " << host << ":" << port << std::endl;

  g_server = &server;
  std::signal(SIGTERM, Stop);
  std::signal(SIGINT, Stop);
  server.listen_after_bind();
  return 0;
}
