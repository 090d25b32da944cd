#include <algorithm>
#include <iostream>
#include <utility>
#include <vector>

#include "cli/command_registry.h"

namespace kore::cli {
namespace {

std::vector<std::pair<std::string, CommandSetup>>& Registry() {
  static std::vector<std::pair<std::string, CommandSetup>> registry;
  return registry;
}

}  // namespace

CommandRegistration::CommandRegistration(std::string name, CommandSetup setup) {
  Registry().emplace_back(std::move(name), std::move(setup));
}

void Fail(const std::string& message, int code) {
  std::cerr << "kore-cli: " << message << '\n';
  throw CLI::RuntimeError(code);
}

}  // namespace kore::cli

int main(int argc, char** argv) {
  CLI::App app{"KOR EDITOR batch tool: compile, inspect, convert, export and render MML songs",
               "kore-cli"};
  app.require_subcommand(1);
  auto& registry = kore::cli::Registry();
  // Static registration order depends on link order; list subcommands alphabetically.
  std::sort(registry.begin(), registry.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [name, setup] : registry) setup(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return 0;
}
