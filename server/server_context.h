// What every group of routes of qws-server gets: the content folder, the options of the command
// line, and a way to register further routes and commands without touching the main program.
#pragma once

#include <httplib.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qws::server {

struct ServerContext {
  std::filesystem::path content;   // --content: the folder the build fills
  std::filesystem::path database;  // --db: SQLite file of the query server
  // --set key=value, repeated: options of the route groups, by convention "<group>.<name>".
  std::map<std::string, std::string> options;

  std::string Option(const std::string& key, const std::string& fallback = "") const {
    auto it = options.find(key);
    return it == options.end() ? fallback : it->second;
  }
};

// A group of routes installs its handlers on the server.
using RouteInstaller = std::function<void(httplib::Server&, ServerContext&)>;
// A command of the server program ("qws-server <name> args..."): its exit code.
using ServerCommand = std::function<int(const ServerContext&, const std::vector<std::string>&)>;

// Route groups and commands register themselves from their own files at start-up.
struct RouteRegistration {
  RouteRegistration(const char* group, RouteInstaller installer);
};
struct CommandRegistration {
  CommandRegistration(const char* name, const char* usage, ServerCommand command);
};

std::vector<std::pair<std::string, RouteInstaller>>& RouteGroups();
struct CommandEntry {
  std::string usage;
  ServerCommand run;
};
std::map<std::string, CommandEntry>& Commands();

}  // namespace qws::server
