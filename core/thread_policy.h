// How many threads a call uses: the thread-count policy. A caller passes a
// limit (1: the calling thread alone; n: at most n) or 0 for the process's
// policy, which is read afresh at each call above a threshold:
// KORVEL_NUM_THREADS when it holds a whole number from 1 up (exactly that
// many); otherwise the cores the process may run on, capped by
// OMP_NUM_THREADS (its first level) and, on Linux, by the cores that other
// runnable tasks leave free at that instant (/proc/loadavg) and by the CPU
// quota of the process's own cgroup. A worker that gets no core must still be
// joined before the call returns, and on a busy machine that wait is many
// times a kernel's own time: the load keeps such calls on the calling thread.
// The cheapest readings come first, each file only while more than one thread
// is left; it changes the speed only, never a result.
#ifndef KORVEL_CORE_THREAD_POLICY_H
#define KORVEL_CORE_THREAD_POLICY_H

#include <cstddef>

#include "parallel_sizes.h"
#include "system_limits.h"

namespace korvel {

// The threads a call above its threshold may use: `requested` when it is not
// 0 (capped at kMaxThreads), else KORVEL_NUM_THREADS when set, else
// OMP_NUM_THREADS, the cores, the free cores and the CPU quota, whichever
// allows fewest. A pool worker with OMP_NUM_THREADS=1 makes no system call,
// and a busy machine costs one small read.
inline unsigned threadLimit(unsigned requested) {
  if (requested != 0) return requested < kMaxThreads ? requested : kMaxThreads;
  char text[32];
  const unsigned chosen =
      limits::parseCount(detail::environmentValue("KORVEL_NUM_THREADS", text, sizeof text), false);
  if (chosen != 0) return chosen;
  const unsigned asked =
      limits::parseCount(detail::environmentValue("OMP_NUM_THREADS", text, sizeof text), true);
  if (asked == 1) return 1;
  const unsigned cores = processorCount();
  unsigned limit = asked != 0 && asked < cores ? asked : cores;
#if defined(__linux__)
  if (limit > 1) {
    const unsigned idle = limits::freeCores(cores, detail::runnableTasks());
    if (idle < limit) limit = idle;
  }
  if (limit > 1) {
    const unsigned quota = detail::cgroupQuotaCores();
    if (quota != 0 && quota < limit) limit = quota;
  }
#endif
  return limit;
}

// The threads for `work` units (points, elements, ...) of a kernel that gains
// from threads from `threshold` units on: 1 below it, else as many as the
// limit allows while each keeps at least threshold / 2 units.
inline unsigned threadsFor(std::size_t work, std::size_t threshold, unsigned requested) {
  if (work < threshold || threshold < 2) return 1;
  const unsigned limit = threadLimit(requested);
  const std::size_t most = work / (threshold / 2);
  return most < limit ? static_cast<unsigned>(most) : limit;
}

}  // namespace korvel

#endif  // KORVEL_CORE_THREAD_POLICY_H
