#include "core/thread.h"

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>

struct MutexLock {
  std::mutex guard;
  std::condition_variable released;
  std::thread::id owner;
  int depth = 0;
  int users = 0;  // Mutex objects sharing this lock (named locks only)
  std::string name;
};

namespace {

// Named locks by name. Never destroyed: Mutex objects with static lifetime may outlive it.
std::mutex& RegistryGuard() {
  static std::mutex* guard = new std::mutex;
  return *guard;
}
std::unordered_map<std::string, MutexLock*>& Registry() {
  static auto* registry = new std::unordered_map<std::string, MutexLock*>;
  return *registry;
}

int SystemCreate(std::thread* handle, int (*entry)(Thread*), Thread* thread) {
  try {
    *handle = std::thread(entry, thread);
  } catch (const std::system_error& error) {
    // The standard library reports the system's reason (EAGAIN when out of threads) as the code.
    return error.code().value() != 0 ? error.code().value() : EAGAIN;
  }
  return 0;
}
std::atomic<ThreadCreateFn> g_createThread{&SystemCreate};

}  // namespace

Mutex::Mutex(const char* name) {
  if (name == nullptr || *name == 0) {
    m_lock = new MutexLock;
    return;
  }
  std::lock_guard<std::mutex> hold(RegistryGuard());
  MutexLock*& lock = Registry()[name];
  if (lock == nullptr) {
    lock = new MutexLock;
    lock->name = name;
  }
  ++lock->users;
  m_lock = lock;
}

Mutex::~Mutex() {
  if (m_lock->name.empty()) {
    delete m_lock;
    return;
  }
  std::lock_guard<std::mutex> hold(RegistryGuard());
  if (--m_lock->users == 0) {
    Registry().erase(m_lock->name);
    delete m_lock;
  }
}

bool Mutex::Lock() {
  const std::thread::id me = std::this_thread::get_id();
  std::unique_lock<std::mutex> hold(m_lock->guard);
  if (m_lock->depth > 0 && m_lock->owner == me) {
    ++m_lock->depth;
    return true;
  }
  m_lock->released.wait(hold, [this] { return m_lock->depth == 0; });
  m_lock->owner = me;
  m_lock->depth = 1;
  return true;
}

bool Mutex::Unlock() {
  std::lock_guard<std::mutex> hold(m_lock->guard);
  if (m_lock->depth == 0 || m_lock->owner != std::this_thread::get_id()) return false;
  if (--m_lock->depth == 0) {
    m_lock->owner = std::thread::id();
    m_lock->released.notify_one();
  }
  return true;
}

Thread::Thread() : m_pMutex(new Mutex("TermMutex")) {}

Thread::~Thread() {
  if (m_attached) {
    m_quit.store(1);
    Join();
  }
  delete m_pMutex;
}

bool Thread::Start(ThreadStartFn fn, void* userData, int) {
  if (m_attached) {
    if (m_running.load(std::memory_order_acquire) != 0) {
      m_lastError = EBUSY;
      return false;
    }
    Join();  // the previous run has ended; reap it before the record is reused
  }
  m_pStartFunction = fn;
  m_pUserData = userData;
  m_running.store(1, std::memory_order_release);
  const int error = g_createThread.load()(&m_handle, &Thread_EntryPoint, this);
  if (error != 0) {
    m_lastError = static_cast<uint32_t>(error);
    m_running.store(0, std::memory_order_release);
    return false;
  }
  m_attached = true;
  return true;
}

void Thread::Join() {
  if (!m_attached) return;
  if (m_handle.get_id() == std::this_thread::get_id()) {
    // A thread cannot wait for itself; it is let go instead, because a handle dropped while it
    // still holds a thread ends the process.
    m_handle.detach();
  } else if (m_handle.joinable()) {
    m_handle.join();
  }
  m_attached = false;
}

int Thread_EntryPoint(Thread* thread) {
  const int result = thread->m_pStartFunction != nullptr ? thread->m_pStartFunction(thread) : 0;
  thread->m_running.store(0, std::memory_order_release);
  return result;
}

void Thread_Sleep(int ms) {
  if (ms <= 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ThreadCreateFn Thread_SetCreateFunction(ThreadCreateFn fn) {
  return g_createThread.exchange(fn != nullptr ? fn : &SystemCreate);
}
