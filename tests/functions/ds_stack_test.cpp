// The stack and queue containers and the ds_stack_ and ds_queue_ script functions.
#include <string>

#include "functions/ds_stack.h"
#include "functions/ds_test_support.h"

namespace {

using DsStack = DsTest;

// The queue's storage slots start to end - 1 as Show prints them.
std::string QueueElements(const CDS_Queue& q) {
  std::string out;
  for (int32_t i = q.Start(); i < q.End(); ++i) out += (out.empty() ? "" : " ") + Show(q.Slot(i));
  return out;
}

// --- the containers ------------------------------------------------------------------------------

TEST_F(DsStack, StackGrowsBySixteenAndClearFreesEverything) {
  CDS_Stack stack;
  EXPECT_EQ(stack.Pop(), nullptr);
  EXPECT_EQ(stack.Size(), 0);
  for (int i = 0; i < 17; ++i) {
    const Arg v(i);
    stack.Push(&v.v);
  }
  EXPECT_EQ(stack.Capacity(), 32);
  EXPECT_EQ(Show(stack.Pop()), "16");
  EXPECT_EQ(Show(stack.Top()), "15");
  stack.Clear();
  EXPECT_EQ(stack.Size(), 0);
  EXPECT_EQ(stack.Capacity(), 0);
  EXPECT_EQ(stack.Top(), nullptr);
}

// (enqueues, dequeues) -> start, end and capacity after them.
TEST_F(DsStack, QueueCompactsOnlyPastSixteenAndHalfTheUsedRange) {
  struct Case {
    int in, out;
    int32_t start, end, capacity;
  };
  const Case cases[] = {
      {40, 20, 20, 40, 48},  // 20 > 16, but 40 / 2 is not below 20
      {40, 21, 0, 19, 48},   // the 21st dequeue moves the 19 left to the front
      {10, 10, 10, 10, 16},  // at or below 16 nothing moves
      {17, 17, 0, 0, 32},    // nothing left to move: start and end go back to 0
  };
  for (const Case& c : cases) {
    CDS_Queue q;
    for (int i = 0; i < c.in; ++i) {
      const Arg v(i);
      q.Enqueue(&v.v);
    }
    RValue* last = nullptr;
    for (int i = 0; i < c.out; ++i) last = q.Dequeue();
    EXPECT_EQ(q.Start(), c.start) << c.in << " " << c.out;
    EXPECT_EQ(q.End(), c.end) << c.in << " " << c.out;
    EXPECT_EQ(q.Capacity(), c.capacity) << c.in << " " << c.out;
    // The value handed back survives the compaction.
    EXPECT_EQ(Show(last), std::to_string(c.out - 1));
    EXPECT_EQ(q.Size(), c.in - c.out);
  }
}

TEST_F(DsStack, QueueAfterCompactionKeepsOrderAndTheNextEnqueueFollowsTheEnd) {
  CDS_Queue q;
  for (int i = 0; i < 10; ++i) {
    const Arg v(i);
    q.Enqueue(&v.v);
  }
  for (int i = 0; i < 10; ++i) q.Dequeue();
  const Arg v("next");
  q.Enqueue(&v.v);
  EXPECT_EQ(q.Start(), 10);
  EXPECT_EQ(Show(q.Slot(10)), "'next'");
  EXPECT_EQ(q.Head(), q.Tail());

  CDS_Queue big;
  for (int i = 0; i < 40; ++i) {
    const Arg n(i);
    big.Enqueue(&n.v);
  }
  for (int i = 0; i < 21; ++i) big.Dequeue();
  EXPECT_EQ(Show(big.Head()), "21");
  EXPECT_EQ(Show(big.Tail()), "39");
}

TEST_F(DsStack, QueueClearLeavesUndefinedSlotsThatTheNextEnqueueShows) {
  CDS_Queue q;
  for (int i = 0; i < 16; ++i) {
    const Arg v("s");
    q.Enqueue(&v.v);
  }
  q.Clear();
  EXPECT_EQ(q.Capacity(), 0);
  EXPECT_TRUE(q.Empty());
  const Arg v(7);
  q.Enqueue(&v.v);
  EXPECT_EQ(q.Capacity(), 16);
  EXPECT_EQ(Show(q.Slot(0)), "7");
  for (int32_t i = 1; i < 16; ++i) EXPECT_EQ(Show(q.Slot(i)), "undefined") << i;
}

TEST_F(DsStack, CopiesTakeEverySlotAndACopyOntoItselfKeepsTheValues) {
  CDS_Queue full;
  for (int i = 0; i < 16; ++i) {
    const Arg v(i);
    full.Enqueue(&v.v);
  }
  CDS_Queue copy;
  copy.Copy(&full);
  EXPECT_EQ(copy.End(), 16);
  EXPECT_EQ(Show(copy.Tail()), "15");
  copy.Copy(&copy);
  EXPECT_EQ(QueueElements(copy), QueueElements(full));

  CDS_Stack stack;
  const Arg a("a"), b("b");
  stack.Push(&a.v);
  stack.Push(&b.v);
  stack.Copy(&stack);
  EXPECT_EQ(stack.Size(), 2);
  EXPECT_EQ(Show(stack.Top()), "'b'");
  stack.Copy(nullptr);
  EXPECT_TRUE(stack.Empty());
}

// Strings above a stack's top and above a smaller source's capacity are released (the sanitizer
// build shows any that leak).
TEST_F(DsStack, PoppedStringsAndSlotsPastACopiedCapacityAreReleased) {
  for (int round = 0; round < 2; ++round) {
    CDS_Stack stack;
    for (int i = 0; i < 20; ++i) {
      const Arg v(("popped " + std::to_string(i)).c_str());
      stack.Push(&v.v);
    }
    while (stack.Pop() != nullptr) {
    }
    if (round == 0) {
      stack.Clear();
    } else {
      CDS_Stack small;
      const Arg v("small");
      small.Push(&v.v);
      stack.Copy(&small);
      EXPECT_EQ(stack.Capacity(), 16);
      EXPECT_EQ(Show(stack.Top()), "'small'");
    }
  }
  CDS_Queue q;
  for (int i = 0; i < 40; ++i) {
    const Arg v(("queued " + std::to_string(i)).c_str());
    q.Enqueue(&v.v);
  }
  CDS_Queue small;
  q.Copy(&small);
  EXPECT_EQ(q.Capacity(), 0);
}

// --- the script functions ------------------------------------------------------------------------

TEST_F(DsStack, PushPopTopAndSize) {
  const Arg s = Call("ds_stack_create");
  Call("ds_stack_push", {s, 1, 2, 3});
  EXPECT_TRUE(Call("ds_stack_pop", {s}).IsReal(3));
  EXPECT_TRUE(Call("ds_stack_top", {s}).IsReal(2));
  EXPECT_TRUE(Call("ds_stack_size", {s}).IsReal(2));
  EXPECT_TRUE(Call("ds_stack_empty", {s}).IsReal(0));
  Call("ds_stack_clear", {s});
  EXPECT_TRUE(Call("ds_stack_empty", {s}).IsReal(1));
  EXPECT_TRUE(Call("ds_stack_pop", {s}).IsUndefined());
  EXPECT_TRUE(Call("ds_stack_top", {s}).IsUndefined());
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsStack, EnqueueDequeueHeadAndTail) {
  const Arg q = Call("ds_queue_create");
  Call("ds_queue_enqueue", {q, 1, 2, 3});
  EXPECT_TRUE(Call("ds_queue_head", {q}).IsReal(1));
  EXPECT_TRUE(Call("ds_queue_tail", {q}).IsReal(3));
  EXPECT_TRUE(Call("ds_queue_dequeue", {q}).IsReal(1));
  EXPECT_TRUE(Call("ds_queue_size", {q}).IsReal(2));
  Call("ds_queue_clear", {q});
  for (const char* name : {"ds_queue_dequeue", "ds_queue_head", "ds_queue_tail"}) {
    EXPECT_TRUE(Call(name, {q}).IsUndefined()) << name;
  }
  EXPECT_TRUE(Call("ds_queue_empty", {q}).IsReal(1));
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsStack, PushWithoutAValueIsReportedAndEnqueueWithoutOneIsNot) {
  const Arg s = Call("ds_stack_create");
  const Arg q = Call("ds_queue_create");
  Call("ds_stack_push", {s});
  EXPECT_EQ(TakeError(), kBadId);
  EXPECT_TRUE(Call("ds_stack_size", {s}).IsReal(0));
  Call("ds_queue_enqueue", {q});
  EXPECT_EQ(TakeError(), "");
  Call("ds_queue_enqueue", {5});
  EXPECT_EQ(TakeError(), kBadId);
  Call("ds_queue_enqueue");
  Call("ds_stack_pop");
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsStack, DestroyTwiceReportsTheSecond) {
  for (const char* kind : {"stack", "queue"}) {
    const std::string create = std::string("ds_") + kind + "_create";
    const std::string destroy = std::string("ds_") + kind + "_destroy";
    const Arg id = Call(create.c_str());
    Call(destroy.c_str(), {id});
    EXPECT_EQ(TakeError(), "") << kind;
    Call(destroy.c_str(), {id});
    EXPECT_EQ(TakeError(), kBadId) << kind;
    EXPECT_TRUE(Call(create.c_str()).IsReal(0)) << kind;
  }
}

// The queue's source id is rounded, the stack's truncated.
TEST_F(DsStack, CopySourceIdsRoundForQueuesAndTruncateForStacks) {
  for (int i = 0; i < 3; ++i) {
    Call("ds_stack_push", {Call("ds_stack_create"), i * 10});
    Call("ds_queue_enqueue", {Call("ds_queue_create"), i * 10});
  }
  const Arg ds = Call("ds_stack_create");
  const Arg dq = Call("ds_queue_create");
  Call("ds_stack_copy", {ds, 1.6});
  Call("ds_queue_copy", {dq, 1.6});
  EXPECT_TRUE(Call("ds_stack_top", {ds}).IsReal(10));
  EXPECT_TRUE(Call("ds_queue_head", {dq}).IsReal(20));

  Call("ds_stack_copy", {99, 0});
  EXPECT_EQ(TakeError(), kBadId);
  Call("ds_queue_copy", {dq, 99});
  EXPECT_EQ(TakeError(), kBadId);
  EXPECT_TRUE(Call("ds_queue_head", {dq}).IsReal(20));
  Call("ds_queue_copy", {dq, dq});
  EXPECT_TRUE(Call("ds_queue_head", {dq}).IsReal(20));
}

TEST_F(DsStack, BadIdsReportAndLeaveTheResultUndefined) {
  for (const char* name : {"ds_stack_size", "ds_stack_pop", "ds_stack_write", "ds_queue_empty", "ds_queue_tail",
                           "ds_queue_write", "ds_stack_clear", "ds_queue_clear"}) {
    EXPECT_TRUE(Call(name, {0}).IsUndefined()) << name;
    EXPECT_EQ(TakeError(), kBadId) << name;
  }
}

TEST_F(DsStack, PoppedStringsThenDestroyLeaveNothingBehind) {
  const Arg s = Call("ds_stack_create");
  const Arg q = Call("ds_queue_create");
  for (int i = 0; i < 20; ++i) {
    const Arg v(("value " + std::to_string(i)).c_str());
    Call("ds_stack_push", {s, v});
    Call("ds_queue_enqueue", {q, v});
  }
  for (int i = 0; i < 20; ++i) {
    EXPECT_TRUE(Call("ds_stack_pop", {s}).IsString(("value " + std::to_string(19 - i)).c_str()));
    EXPECT_TRUE(Call("ds_queue_dequeue", {q}).IsString(("value " + std::to_string(i)).c_str()));
  }
  Call("ds_stack_destroy", {s});
  Call("ds_queue_destroy", {q});
  EXPECT_EQ(TakeError(), "");
}

}  // namespace
