kore_cli_test_folder(cli/song DEPS kore::base)
