// Runs `kore-cli events` on single tracks as a user would: printouts, options and errors.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"

TEST(EventsCli, Table) { kore::testing::CheckCliTable("tests/cli/data/events.txt"); }
