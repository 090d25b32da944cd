// Runs `kore-cli game` as a user would: text, message, JSON and errors.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"

TEST(GameCli, Table) { kore::testing::CheckCliTable("tests/cli/data/game.txt"); }
