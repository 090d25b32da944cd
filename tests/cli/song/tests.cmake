find_package(nlohmann_json REQUIRED)
kore_cli_test_folder(cli/song DEPS kore::song nlohmann_json::nlohmann_json)
