# Runs the built kore-cli info and convert, so the test needs its path and must build after it.
find_package(nlohmann_json REQUIRED)
kore_test_folder(cli/song DEPS kore::song nlohmann_json::nlohmann_json)
if(TARGET test_cli_song)
  target_compile_definitions(test_cli_song PRIVATE KORE_CLI_PATH="$<TARGET_FILE:kore-cli>")
  add_dependencies(test_cli_song kore-cli)
endif()
