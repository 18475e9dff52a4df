// The thread runner: spreads a kernel's independent pieces of work over
// threads inside one call. Threads start in the call and are all joined
// before it returns, so none outlives the call (a plug-in may be unloaded
// between calls) and nothing is kept from one call to the next. How many
// threads a call uses is thread_policy.h's to say.
//
// Rules for the kernels that use it:
// - no host function is called inside a piece of work: every check and every
//   host error comes before or after runParallel;
// - each piece writes only its own part of the output, and the result may not
//   depend on which thread runs which piece or in what order, so that every
//   thread count gives the same bits;
// - nothing here has a destructor, so a host error raised after the parallel
//   part (by longjmp on some hosts) leaves nothing behind.
//
// Threads are the system's own (pthreads, Win32 threads): std::thread would
// allocate from the C++ heap, and a Windows plug-in must import nothing but
// libmx.dll and Windows' own DLLs. When a thread cannot be started, the
// calling thread does its share: a command never fails for want of threads.
#ifndef KORVEL_CORE_THREADS_H
#define KORVEL_CORE_THREADS_H

#include <atomic>
#include <cfenv>
#include <cstddef>

#include "parallel_sizes.h"
#include "system_limits.h"
#include "thread_policy.h"

#if !defined(_WIN32)
#include <pthread.h>
#include <signal.h>
#endif

namespace korvel {

namespace detail {

// What the threads of one runParallel share: the pieces are claimed one at a
// time from `next`, so a thread that the system holds back takes fewer.
template <typename Body>
struct Team {
  const Body *body;
  std::size_t pieces;
  std::atomic<std::size_t> next;
  // The calling thread's floating-point environment, which every worker takes
  // on before its first piece: a Windows thread starts with the system's
  // default x87 control word, not the caller's (mingw-w64's runtime sets
  // 64-bit precision), and the C library's x87 routines then round their
  // results differently.
  std::fenv_t environment;
};

template <typename Body>
struct Seat {
  Team<Body> *team;
  unsigned thread;  // 0 is the calling thread
};

template <typename Body>
void takePieces(Team<Body> &team, unsigned thread) {
  for (;;) {
    const std::size_t piece = team.next.fetch_add(1, std::memory_order_relaxed);
    if (piece >= team.pieces) return;
    (*team.body)(piece, thread);
  }
}

#if defined(_WIN32)
using ThreadHandle = HANDLE;

template <typename Body>
DWORD WINAPI threadMain(LPVOID argument) {
  Seat<Body> *seat = static_cast<Seat<Body> *>(argument);
  std::fesetenv(&seat->team->environment);
  takePieces(*seat->team, seat->thread);
  return 0;
}
#else
using ThreadHandle = pthread_t;

template <typename Body>
void *threadMain(void *argument) {
  Seat<Body> *seat = static_cast<Seat<Body> *>(argument);
  std::fesetenv(&seat->team->environment);
  takePieces(*seat->team, seat->thread);
  return nullptr;
}
#endif

// The kernels' needs are a few kilobytes of stack; a small fixed size keeps a
// host with a huge default (or a 32-bit one) from reserving much per thread.
const std::size_t kStackBytes = std::size_t(1) << 20;

}  // namespace detail

// Calls body(piece, thread) once for every piece from 0 to pieces - 1, spread
// over `threads` threads (the calling one among them, as thread 0; thread
// numbers are below `threads`), and returns when every piece is done and every
// started thread has ended. Pieces run in no fixed order and on no fixed
// thread. With `startThreads` false no thread is started, as when every start
// fails: the calling thread does all the work (the tests use it).
template <typename Body>
void runParallel(unsigned threads, std::size_t pieces, const Body &body,
                 bool startThreads = true) {
  if (threads > kMaxThreads) threads = kMaxThreads;
  if (static_cast<std::size_t>(threads) > pieces) threads = static_cast<unsigned>(pieces);
  if (threads <= 1) {
    for (std::size_t piece = 0; piece < pieces; ++piece) body(piece, 0u);
    return;
  }
  detail::Team<Body> team{&body, pieces, {0}, {}};
  std::fegetenv(&team.environment);
  detail::Seat<Body> seats[kMaxThreads];
  detail::ThreadHandle handles[kMaxThreads];
  unsigned started = 0;
#if defined(_WIN32)
  for (unsigned t = 1; t < threads; ++t) {
    seats[started] = detail::Seat<Body>{&team, started + 1};
    HANDLE handle = !startThreads ? nullptr
                    : CreateThread(nullptr, detail::kStackBytes, detail::threadMain<Body>,
                                   &seats[started], STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (handle == nullptr) break;
    handles[started++] = handle;
  }
#else
  // Workers start with every signal blocked, so that no handler of the host
  // ever runs on them; the calling thread's mask is put back at once.
  pthread_attr_t attributes;
  const bool haveAttributes = pthread_attr_init(&attributes) == 0;
  if (haveAttributes) pthread_attr_setstacksize(&attributes, detail::kStackBytes);
  sigset_t all, previous;
  sigfillset(&all);
  const bool masked = pthread_sigmask(SIG_SETMASK, &all, &previous) == 0;
  for (unsigned t = 1; t < threads; ++t) {
    seats[started] = detail::Seat<Body>{&team, started + 1};
    if (!startThreads ||
        pthread_create(&handles[started], haveAttributes ? &attributes : nullptr,
                       detail::threadMain<Body>, &seats[started]) != 0)
      break;
    ++started;
  }
  if (masked) pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (haveAttributes) pthread_attr_destroy(&attributes);
#endif
  detail::takePieces(team, 0);
  for (unsigned t = 0; t < started; ++t) {
#if defined(_WIN32)
    WaitForSingleObject(handles[t], INFINITE);
    CloseHandle(handles[t]);
#else
    pthread_join(handles[t], nullptr);
#endif
  }
}

// The common case: `count` items cut into pieces of `pieceSize` (the last
// one shorter), body(first, end, thread) for each.
template <typename Body>
void runParallelRanges(unsigned threads, std::size_t count, std::size_t pieceSize,
                       const Body &body) {
  const std::size_t pieces = (count + pieceSize - 1) / pieceSize;
  runParallel(threads, pieces, [&body, count, pieceSize](std::size_t piece, unsigned thread) {
    const std::size_t first = piece * pieceSize;
    const std::size_t end = count - first < pieceSize ? count : first + pieceSize;
    body(first, end, thread);
  });
}

// `count` units of work split as `split` says: threads from its threshold
// on, at most `requested` of them (0: the process's policy), pieces of its
// size.
template <typename Body>
void runParallelRanges(const Split &split, unsigned requested, std::size_t count,
                       const Body &body) {
  runParallelRanges(threadsFor(count, split.threshold, requested), count, split.piece, body);
}

}  // namespace korvel

#endif  // KORVEL_CORE_THREADS_H
