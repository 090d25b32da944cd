#pragma once
// Each subcommand lives in its own file and registers itself here with a static
// CommandRegistration; main() adds every registered subcommand to the application.
// A subcommand reports failure by throwing CLI::RuntimeError(exitCode) after printing its
// error to standard error.
#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace kore::cli {

using CommandSetup = std::function<void(CLI::App& app)>;

struct CommandRegistration {
  CommandRegistration(std::string name, CommandSetup setup);
};

// Prints "kore-cli: <message>" to standard error and throws CLI::RuntimeError(code).
[[noreturn]] void Fail(const std::string& message, int code = 1);

}  // namespace kore::cli
