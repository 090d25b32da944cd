# The song-level export and `kore-cli game`, which the test runs, so it builds after it.
kore_test_folder(cli/game DEPS kore::song kore::base)
if(TARGET test_cli_game)
  target_compile_definitions(test_cli_game PRIVATE KORE_CLI_PATH="$<TARGET_FILE:kore-cli>")
  add_dependencies(test_cli_game kore-cli)
endif()
