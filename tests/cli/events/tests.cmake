kore_cli_test_folder(cli/events DEPS kore::base)
