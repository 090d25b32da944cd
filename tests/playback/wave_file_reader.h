#pragma once
#include "tests/support/wave_file_reader.h"
