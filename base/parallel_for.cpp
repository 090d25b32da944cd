#include "base/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace kore {

void ParallelFor(size_t count, const std::function<void(size_t)>& work, unsigned maxThreads) {
  unsigned threads = maxThreads != 0 ? maxThreads : std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<size_t>(threads, count));
  std::atomic<size_t> next{0};
  auto drain = [&] {
    for (size_t i = next++; i < count; i = next++) work(i);
  };
  if (threads <= 1) {
    drain();
    return;
  }
  {
    std::vector<std::jthread> helpers;
    helpers.reserve(threads - 1);
    for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(drain);
    drain();
  }  // joined here
}

}  // namespace kore
