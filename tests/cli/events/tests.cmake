# Runs the built kore-cli, so the test needs its path and must build after it.
kore_test_folder(cli/events DEPS kore::base)
if(TARGET test_cli_events)
  target_compile_definitions(test_cli_events PRIVATE KORE_CLI_PATH="$<TARGET_FILE:kore-cli>")
  add_dependencies(test_cli_events kore-cli)
endif()
