// What the machine allows a call: the cores this process may run on, the
// thread settings in its environment, and on Linux the cores other work
// leaves free (/proc/loadavg) and the CPU quota of its cgroup. The readers of
// the settings' texts are kept free of any system call so that the tests can
// hold them to a table; the system readers below them use plain system calls:
// no heap, no lock of the C library.
#ifndef KORVEL_CORE_SYSTEM_LIMITS_H
#define KORVEL_CORE_SYSTEM_LIMITS_H

#include <cstddef>
#include <cstdlib>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>
#endif

namespace korvel {

// At most this many threads take part in one call, the calling one included;
// arrays of per-thread data live on the calling thread's stack.
const unsigned kMaxThreads = 256;

// Readers of the settings' texts.
namespace limits {

// A thread count: a whole number from 1 up, capped at kMaxThreads; 0 for any
// other text. With `firstOfList`, as OMP_NUM_THREADS is read: blanks around
// it allowed, and only the first of a comma-separated list (the outermost
// level) counts.
inline unsigned parseCount(const char *text, bool firstOfList) {
  if (text == nullptr) return 0;
  if (firstOfList)
    while (*text == ' ' || *text == '\t') ++text;
  unsigned long count = 0;
  const char *digit = text;
  for (; *digit >= '0' && *digit <= '9'; ++digit)
    if (count < kMaxThreads) count = count * 10 + static_cast<unsigned long>(*digit - '0');
  if (digit == text) return 0;
  if (firstOfList)
    while (*digit == ' ' || *digit == '\t' || *digit == '\n') ++digit;
  if (*digit != '\0' && !(firstOfList && *digit == ',')) return 0;
  if (count == 0) return 0;
  return count > kMaxThreads ? kMaxThreads : static_cast<unsigned>(count);
}

// A signed decimal at *text, blanks before it skipped; *text moves past it.
inline bool parseLong(const char *&text, long long &value) {
  while (*text == ' ' || *text == '\t' || *text == '\n') ++text;
  const bool negative = *text == '-';
  if (negative) ++text;
  if (*text < '0' || *text > '9') return false;
  value = 0;
  for (; *text >= '0' && *text <= '9'; ++text)
    if (value < (1ll << 50)) value = value * 10 + (*text - '0');
  if (negative) value = -value;
  return true;
}

// The whole cores a CPU quota of `quota` per `period` buys, at least 1 (a
// thread beyond the quota only gets the whole group throttled until the next
// period); 0: no quota.
inline unsigned quotaCores(long long quota, long long period) {
  if (quota <= 0 || period <= 0) return 0;
  const long long cores = quota / period;
  if (cores < 1) return 1;
  return cores > static_cast<long long>(kMaxThreads) ? kMaxThreads : static_cast<unsigned>(cores);
}

// cgroup v2's cpu.max, "max 100000" or "150000 100000": the cores of its
// quota (quotaCores); 0: no quota or not readable.
inline unsigned cpuMaxCores(const char *text) {
  while (*text == ' ') ++text;
  if (text[0] == 'm' && text[1] == 'a' && text[2] == 'x') return 0;
  long long quota = 0, period = 0;
  if (!parseLong(text, quota) || !parseLong(text, period)) return 0;
  return quotaCores(quota, period);
}

// Where /proc/self/cgroup puts this process for the CPU controller: `path`
// (not '\0'-ended, `length` characters from '/') and whether it is the v2
// unified tree ("0::/path") or a v1 hierarchy with "cpu" among its
// controllers ("4:cpu,cpuacct:/path"), which rules where both appear.
struct CgroupPath {
  const char *path;
  std::size_t length;
  bool v2;
};

inline bool cpuCgroup(const char *text, CgroupPath &found) {
  bool any = false;
  for (const char *line = text; *line;) {
    const char *end = line;
    while (*end && *end != '\n') ++end;
    const char *first = line;  // the ':' after the hierarchy's number
    while (first < end && *first != ':') ++first;
    const char *second = first < end ? first + 1 : end;  // the ':' before the path
    while (second < end && *second != ':') ++second;
    if (second < end && second[1] == '/') {
      bool cpu = false;
      for (const char *item = first + 1; item < second;) {
        const char *itemEnd = item;
        while (itemEnd < second && *itemEnd != ',') ++itemEnd;
        cpu = cpu || (itemEnd - item == 3 && item[0] == 'c' && item[1] == 'p' && item[2] == 'u');
        item = itemEnd + 1;
      }
      const bool unified = first == line + 1 && line[0] == '0' && second == first + 1;
      if (cpu || unified) {
        found = CgroupPath{second + 1, static_cast<std::size_t>(end - second - 1), !cpu};
        any = true;
        if (cpu) return true;
      }
    }
    line = *end ? end + 1 : end;
  }
  return any;
}

// cgroup v1's cpu.cfs_quota_us over cpu.cfs_period_us, "-1" (no quota) or
// "150000" over "100000": the cores of its quota (quotaCores); 0: no quota or
// not readable.
inline unsigned cfsQuotaCores(const char *quotaText, const char *periodText) {
  long long quota = 0, period = 0;
  if (!parseLong(quotaText, quota) || !parseLong(periodText, period)) return 0;
  return quotaCores(quota, period);
}

// /proc/loadavg, "0.50 0.40 0.30 3/456 12345": the tasks runnable at this
// instant (3), the reading thread among them; 0 when not readable.
inline unsigned runnableTasks(const char *text) {
  for (int field = 0; field < 3; ++field) {
    while (*text == ' ') ++text;
    while (*text != ' ' && *text != '\0') ++text;
  }
  long long running = 0;
  if (!parseLong(text, running) || *text != '/' || running < 1) return 0;
  return running > 1000000 ? 1000000u : static_cast<unsigned>(running);
}

// The threads that `cores` cores hold for a call while `runnable` tasks are
// runnable, the calling thread among them: the cores the others leave free,
// at least 1 (the calling thread's own); `runnable` 0: unknown, every core.
inline unsigned freeCores(unsigned cores, unsigned runnable) {
  if (runnable == 0) return cores;
  const unsigned others = runnable - 1;
  return others >= cores ? 1 : cores - others;
}

}  // namespace limits

// The cores this process may run on.
inline unsigned processorCount() {
  long count = 0;
#if defined(_WIN32)
  SYSTEM_INFO info;
  GetSystemInfo(&info);  // the processors of this process's group
  count = static_cast<long>(info.dwNumberOfProcessors);
#else
#if defined(__linux__) && defined(CPU_COUNT)
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) count = CPU_COUNT(&allowed);
#endif
  if (count <= 0) count = sysconf(_SC_NPROCESSORS_ONLN);
#endif
  if (count < 1) return 1;
  return count > static_cast<long>(kMaxThreads) ? kMaxThreads : static_cast<unsigned>(count);
}

namespace detail {

// The value of an environment variable, or null. Windows: the process
// environment, which the host's setenv changes, not the C runtime's copy.
inline const char *environmentValue(const char *name, char *buffer, unsigned long size) {
#if defined(_WIN32)
  const DWORD length = GetEnvironmentVariableA(name, buffer, size);
  return length > 0 && length < size ? buffer : nullptr;
#else
  (void)buffer, (void)size;
  return std::getenv(name);
#endif
}

#if defined(__linux__)
// A small file read whole into `buffer` (ends with '\0'); false when it
// cannot be read. Plain system calls: no heap, no lock of the C library.
inline bool readSmallFile(const char *path, char *buffer, std::size_t size) {
  const int file = open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  // The kernel hands these files over whole in one read; a read that falls
  // short of the room left is their end, and asking again would cost a system
  // call per file.
  std::size_t length = 0;
  for (;;) {
    const std::size_t room = size - 1 - length;
    const ssize_t got = read(file, buffer + length, room);
    if (got <= 0) break;
    length += static_cast<std::size_t>(got);
    if (static_cast<std::size_t>(got) < room || length == size - 1) break;
  }
  close(file);
  buffer[length] = '\0';
  return length > 0;
}

// `prefix` + `path` + `leaf` into `out`; false when it does not fit.
inline bool joinPath(char *out, std::size_t size, const char *prefix, const char *path,
                     std::size_t pathLength, const char *leaf) {
  std::size_t at = 0;
  for (const char *c = prefix; *c; ++c)
    if (at + 1 < size) out[at++] = *c; else return false;
  for (std::size_t i = 0; i < pathLength; ++i)
    if (at + 1 < size) out[at++] = path[i]; else return false;
  for (const char *c = leaf; *c; ++c)
    if (at + 1 < size) out[at++] = *c; else return false;
  out[at] = '\0';
  return true;
}

// The cores of the CPU quota on this process's own cgroup (cgroup v2
// cpu.max, or v1 cpu.cfs_quota_us over cpu.cfs_period_us); 0: none found.
// Where the own group is not under the mount (a container that sees its
// group as the root without a cgroup namespace), the mount root's quota. A
// quota set only on an ancestor of the own group is not seen: walking the
// tree would cost a file per level at every call.
inline unsigned cgroupQuotaCores() {
  char groups[1024];
  limits::CgroupPath own;
  if (!readSmallFile("/proc/self/cgroup", groups, sizeof groups) ||
      !limits::cpuCgroup(groups, own))
    return 0;
  const char *const mount = own.v2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/cpu";
  const char *const quotaLeaf = own.v2 ? "/cpu.max" : "/cpu.cfs_quota_us";
  std::size_t length = own.length == 1 ? 0 : own.length;  // "/": the mount root
  char file[512], text[64];
  bool read = joinPath(file, sizeof file, mount, own.path, length, quotaLeaf) &&
              readSmallFile(file, text, sizeof text);
  if (!read && length != 0) {
    length = 0;
    read = joinPath(file, sizeof file, mount, own.path, length, quotaLeaf) &&
           readSmallFile(file, text, sizeof text);
  }
  if (!read) return 0;
  if (own.v2) return limits::cpuMaxCores(text);
  if (text[0] == '-') return 0;  // "-1": no quota, and no need of the period
  char period[64];
  if (!joinPath(file, sizeof file, mount, own.path, length, "/cpu.cfs_period_us") ||
      !readSmallFile(file, period, sizeof period))
    return 0;
  return limits::cfsQuotaCores(text, period);
}

// The tasks runnable at this instant, this thread among them; 0: unknown.
inline unsigned runnableTasks() {
  char text[128];
  return readSmallFile("/proc/loadavg", text, sizeof text) ? limits::runnableTasks(text) : 0;
}
#endif

}  // namespace detail

}  // namespace korvel

#endif  // KORVEL_CORE_SYSTEM_LIMITS_H
