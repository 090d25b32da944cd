# The song-level export is tested here too, beside `kore-cli game`.
kore_cli_test_folder(cli/game DEPS kore::song kore::base)
