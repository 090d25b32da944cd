#pragma once
// Runs independent pieces of work on a few threads: the calling thread and up to one helper per
// further core, each taking the next piece until none is left. Returns when every piece is done.
// For work that is the same whichever thread runs it (compiling the tracks of a loaded song).
#include <cstddef>
#include <functional>

namespace kore {

// Calls work(i) once for every i in 0..count-1. `maxThreads` 0 means one per core.
void ParallelFor(size_t count, const std::function<void(size_t)>& work, unsigned maxThreads = 0);

}  // namespace kore
