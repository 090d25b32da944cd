// kore-cli ports: the output choices, numbered as `play --output` takes them.
#include <cstdio>

#include "cli/command_registry.h"
#include "playback/output_setup.h"

namespace kore::cli {
namespace {

void RunPorts() {
  for (const OutputChoice& choice : ListOutputChoices()) {
    if (choice.outputDls == 0) {
      std::printf("%3d  %s\n", choice.port, choice.name.c_str());
    } else {
      std::printf("     %s (OutputDLS %d: %s)\n", choice.name.c_str(), choice.outputDls,
                  choice.outputDls == 2 ? "built-in General MIDI set" : "play --bank FILE");
    }
  }
}

const CommandRegistration kRegistration("ports", [](CLI::App& app) {
  CLI::App* command = app.add_subcommand(
      "ports", "List the MIDI outputs: -1 is the mapper (the built-in synthesizer), then the ports");
  command->callback([] { RunPorts(); });
});

}  // namespace
}  // namespace kore::cli
