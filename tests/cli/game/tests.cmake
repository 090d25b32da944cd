# The song-level game export; `kore-cli game` itself is run from tests/cli/data/game.txt.
kore_cli_test_folder(cli/game DEPS kore::song kore::base)
