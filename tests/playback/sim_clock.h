#pragma once
#include "tests/support/sim_clock.h"
