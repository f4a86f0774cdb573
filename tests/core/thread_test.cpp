#include "core/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

namespace {

struct Work {
  std::atomic<int> calls{0};
  std::atomic<bool> sawQuit{false};
  Thread* seen = nullptr;
};

int RecordCall(Thread* self) {
  auto* work = static_cast<Work*>(self->m_pUserData);
  work->seen = self;
  work->calls.fetch_add(1);
  return 7;
}

int RunUntilQuit(Thread* self) {
  auto* work = static_cast<Work*>(self->m_pUserData);
  work->calls.fetch_add(1);
  while (self->m_quit.load() == 0) Thread_Sleep(1);
  work->sawQuit = true;
  return 0;
}

TEST(Thread, NewRecordIsClearWithATermMutex) {
  Thread t;
  EXPECT_EQ(t.m_lastError, 0u);
  EXPECT_EQ(t.m_quit.load(), 0);
  EXPECT_EQ(t.m_running.load(), 0);
  EXPECT_EQ(t.m_pUserData, nullptr);
  EXPECT_EQ(t.m_pStartFunction, nullptr);
  ASSERT_NE(t.m_pMutex, nullptr);
  Thread other;
  EXPECT_NE(other.m_pMutex, t.m_pMutex);  // separate objects, one lock (see the Mutex tests)
}

TEST(Thread, StartRunsTheFunctionOnItsOwnThreadThenClearsRunning) {
  Work work;
  Thread t;
  ASSERT_TRUE(t.Start(&RecordCall, &work));
  t.Join();
  EXPECT_EQ(work.calls.load(), 1);
  EXPECT_EQ(work.seen, &t);
  EXPECT_EQ(t.m_running.load(), 0);
  EXPECT_EQ(t.m_pUserData, &work);
  t.Join();  // joining again does nothing
}

TEST(Thread, EntryPointReturnsTheResultAndClearsRunning) {
  Work work;
  Thread t;
  t.m_pStartFunction = &RecordCall;
  t.m_pUserData = &work;
  t.m_running = 1;
  EXPECT_EQ(Thread_EntryPoint(&t), 7);
  EXPECT_EQ(t.m_running.load(), 0);
}

TEST(Thread, RunsUntilAskedToQuit) {
  Work work;
  Thread t;
  ASSERT_TRUE(t.Start(&RunUntilQuit, &work));
  while (work.calls.load() == 0) Thread_Sleep(1);
  EXPECT_EQ(t.m_running.load(), 1);
  // A second start while the first thread runs is refused and leaves it running.
  EXPECT_FALSE(t.Start(&RecordCall, &work));
  EXPECT_EQ(t.m_lastError, static_cast<uint32_t>(EBUSY));
  EXPECT_EQ(t.m_running.load(), 1);
  t.m_quit = 1;
  t.Join();
  EXPECT_TRUE(work.sawQuit.load());
  EXPECT_EQ(t.m_running.load(), 0);
  // Once it has ended the record can start another.
  t.m_quit = 0;
  ASSERT_TRUE(t.Start(&RecordCall, &work));
  t.Join();
  EXPECT_EQ(work.calls.load(), 2);
}

TEST(Thread, DestroyingTheRecordStopsAndJoinsItsThread) {
  Work work;
  auto* t = new Thread;
  ASSERT_TRUE(t->Start(&RunUntilQuit, &work));
  delete t;
  EXPECT_TRUE(work.sawQuit.load());
}

int FailCreate(std::thread*, int (*)(Thread*), Thread*) { return EAGAIN; }

TEST(Thread, FailedStartKeepsTheErrorAndClearsRunning) {
  Work work;
  Thread t;
  ThreadCreateFn previous = Thread_SetCreateFunction(&FailCreate);
  const bool started = t.Start(&RecordCall, &work);
  Thread_SetCreateFunction(previous);
  EXPECT_FALSE(started);
  EXPECT_EQ(t.m_lastError, static_cast<uint32_t>(EAGAIN));
  EXPECT_EQ(t.m_running.load(), 0);
  t.Join();  // nothing to join
  EXPECT_EQ(work.calls.load(), 0);
  // The record is usable afterwards.
  ASSERT_TRUE(t.Start(&RecordCall, &work));
  t.Join();
  EXPECT_EQ(work.calls.load(), 1);
}

TEST(Thread, SleepWaitsAtLeastTheTimeAsked) {
  const auto start = std::chrono::steady_clock::now();
  Thread_Sleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
  Thread_Sleep(0);
  Thread_Sleep(-5);
}

TEST(Mutex, SameNameLocksExcludeEachOtherAcrossThreads) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
  long counter = 0;  // guarded by the lock alone
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      Mutex lock("SharedCounter");  // each thread its own object, one lock by name
      for (int i = 0; i < kRounds; ++i) {
        lock.Lock();
        lock.Lock();  // the holder may take it again
        int now = inside.fetch_add(1) + 1;
        int seen = maxInside.load();
        while (now > seen && !maxInside.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::yield();
        ++counter;
        inside.fetch_sub(1);
        lock.Unlock();
        lock.Unlock();
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(counter, kThreads * kRounds);
  EXPECT_EQ(maxInside.load(), 1);
}

TEST(Mutex, OthersWaitUntilTheLastHoldIsReleased) {
  Thread owner;  // its lock is named "TermMutex"
  Mutex& lock = *owner.m_pMutex;
  ASSERT_TRUE(lock.Lock());
  ASSERT_TRUE(lock.Lock());
  std::atomic<bool> acquired{false};
  std::atomic<bool> strangerUnlocked{true};
  std::thread waiter([&] {
    Mutex same("TermMutex");
    strangerUnlocked = same.Unlock();  // not its hold to release
    same.Lock();
    acquired = true;
    same.Unlock();
  });
  Thread_Sleep(30);
  EXPECT_FALSE(acquired.load());
  EXPECT_TRUE(lock.Unlock());
  Thread_Sleep(30);
  EXPECT_FALSE(acquired.load());  // still held once
  EXPECT_TRUE(lock.Unlock());
  waiter.join();
  EXPECT_TRUE(acquired.load());
  EXPECT_FALSE(strangerUnlocked.load());
  EXPECT_FALSE(lock.Unlock());  // nothing left to release
}

TEST(Mutex, UnnamedLocksAreSeparate) {
  Mutex a(nullptr);
  Mutex b("");
  ASSERT_TRUE(a.Lock());
  std::atomic<bool> gotB{false};
  std::thread other([&] {
    b.Lock();
    gotB = true;
    b.Unlock();
  });
  other.join();  // would never end if b were a's lock
  EXPECT_TRUE(gotB.load());
  EXPECT_TRUE(a.Unlock());
}

}  // namespace
