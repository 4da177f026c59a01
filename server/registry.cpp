#include "server/server_context.h"

namespace qws::server {

std::vector<std::pair<std::string, RouteInstaller>>& RouteGroups() {
  static std::vector<std::pair<std::string, RouteInstaller>> groups;
  return groups;
}

std::map<std::string, CommandEntry>& Commands() {
  static std::map<std::string, CommandEntry> commands;
  return commands;
}

RouteRegistration::RouteRegistration(const char* group, RouteInstaller installer) {
  RouteGroups().emplace_back(group, std::move(installer));
}

CommandRegistration::CommandRegistration(const char* name, const char* usage,
                                         ServerCommand command) {
  Commands()[name] = CommandEntry{usage, std::move(command)};
}

}  // namespace qws::server
