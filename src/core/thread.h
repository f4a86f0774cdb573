// Worker threads and the named locks that guard what they share with the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

struct MutexLock;

// A lock that one thread holds at a time. The holding thread may take it again (each Lock needs
// its Unlock); other threads wait. Mutexes made with the same name share one lock within the
// process; a null or empty name makes a private lock.
class Mutex {
 public:
  explicit Mutex(const char* name);
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // Waits until no other thread holds the lock, then takes it. Always true.
  bool Lock();
  // Releases one hold of the calling thread; false (and nothing released) when it holds none.
  bool Unlock();

 private:
  MutexLock* m_lock;
};

struct Thread;
using ThreadStartFn = int (*)(Thread*);

// The record of one worker thread. The start function gets the record, reads m_pUserData for its
// work and m_quit to know when to stop; the owner reads m_running and joins.
struct Thread {
  Thread();
  ~Thread();  // a thread still attached is asked to quit and joined first: it uses this record
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Runs fn on a new thread with the default stack. On failure the system's error stays in
  // m_lastError, m_running is clear and the result is false; also false while a thread started
  // from this record is still running.
  bool Start(ThreadStartFn fn, void* userData, int unused = 0);
  // Waits, without a time limit, for the thread to end; nothing when none was started.
  void Join();

  std::thread m_handle;
  uint32_t m_lastError = 0;
  std::atomic<uint8_t> m_quit{0};
  std::atomic<uint8_t> m_running{0};
  void* m_pUserData = nullptr;
  ThreadStartFn m_pStartFunction = nullptr;
  Mutex* m_pMutex;

 private:
  bool m_attached = false;  // a thread was made and not yet joined
};

// Calls the record's start function, then clears its running flag; returns the function's result.
int Thread_EntryPoint(Thread* thread);

// Suspends the calling thread for ms milliseconds (0 or less: yields).
void Thread_Sleep(int ms);

// How threads are made; tests swap in one that fails. The function starts entry(thread) on a new
// thread held by *handle and returns 0, or an errno value (and leaves *handle empty) when no thread
// could be made. Returns the previous one; null restores the standard library's.
using ThreadCreateFn = int (*)(std::thread* handle, int (*entry)(Thread*), Thread* thread);
ThreadCreateFn Thread_SetCreateFunction(ThreadCreateFn fn);
