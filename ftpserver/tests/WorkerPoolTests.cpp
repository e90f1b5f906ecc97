// The pool of session and transfer workers: every job runs at once, its JobDone tells when it has
// returned, idle workers are reused unless a job retires its worker, and the pool's end waits for
// running jobs.
#include "WorkerPool.h"

#include <gtest/gtest.h>

#include <process.h>

#include <memory>
#include <vector>

namespace {

struct Gate {
    HANDLE open = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    volatile LONG started = 0;
    volatile LONG finished = 0;
    volatile DWORD threadId = 0;
    volatile LONG jobsOnThread = 0;  // how many jobs the thread that ran this one had run, this one included
    ~Gate() { CloseHandle(open); }
};

unsigned __stdcall WaitAtGate(void* argument)
{
    Gate* gate = static_cast<Gate*>(argument);
    InterlockedIncrement(&gate->started);
    WaitForSingleObject(gate->open, 10000);
    InterlockedIncrement(&gate->finished);
    return 0;
}

// Counted per thread rather than compared by id: a new thread may be given the id of one that ended.
unsigned __stdcall NoteThread(void* argument)
{
    static const DWORD jobsSlot = TlsAlloc();
    LONG jobs = static_cast<LONG>(reinterpret_cast<INT_PTR>(TlsGetValue(jobsSlot))) + 1;
    TlsSetValue(jobsSlot, reinterpret_cast<void*>(static_cast<INT_PTR>(jobs)));
    Gate* gate = static_cast<Gate*>(argument);
    gate->threadId = GetCurrentThreadId();
    gate->jobsOnThread = jobs;
    return 0;
}

unsigned __stdcall SlowJob(void* argument)
{
    Sleep(200);
    InterlockedIncrement(&static_cast<Gate*>(argument)->finished);
    return 0;
}

unsigned __stdcall NoteThreadAndRetire(void* argument)
{
    NoteThread(argument);
    return WorkerPool::kRetireWorker;
}

// A thread that waits for done, so that a test can bound the wait; the caller joins and closes it.
HANDLE StartWaiter(JobDone& done)
{
    struct Waiter {
        static unsigned __stdcall Run(void* argument)
        {
            static_cast<JobDone*>(argument)->Wait();
            return 0;
        }
    };
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Waiter::Run, &done, 0, nullptr));
}

bool Joined(JobDone& done, DWORD ms)
{
    HANDLE waiter = StartWaiter(done);
    bool joined = WaitForSingleObject(waiter, ms) == WAIT_OBJECT_0;
    WaitForSingleObject(waiter, 10000);  // the test has failed already; done must outlive the waiter
    CloseHandle(waiter);
    return joined;
}

TEST(WorkerPool, RunsEveryJobAtOnceAndSignalsEachWhenItHasReturned)
{
    // Sessions and transfers block for as long as their clients take: a job must never wait for
    // another to end.
    WorkerPool pool;
    Gate gate;
    std::vector<std::unique_ptr<JobDone>> done;
    for (int i = 0; i < 20; ++i) {
        done.push_back(std::make_unique<JobDone>());
        ASSERT_TRUE(pool.Run(WaitAtGate, &gate, done.back().get()));
    }
    for (int waited = 0; gate.started < 20 && waited < 5000; waited += 10)
        Sleep(10);
    EXPECT_EQ(20, gate.started);
    HANDLE early = StartWaiter(*done[0]);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(early, 50));
    SetEvent(gate.open);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(early, 5000));
    CloseHandle(early);
    for (auto& one : done)
        EXPECT_TRUE(Joined(*one, 5000));
    EXPECT_EQ(20, gate.finished);
}

TEST(WorkerPool, AnIdleWorkerTakesTheNextJobUnlessTheLastOneRetiredIt)
{
    WorkerPool pool;
    Gate first, second, third, fourth;
    JobDone done;
    auto runAndJoin = [&](WorkerPool::Job job, Gate& gate) {
        ASSERT_TRUE(pool.Run(job, &gate, &done));
        ASSERT_TRUE(Joined(done, 5000));
        Sleep(50);  // the worker is back waiting for work, or gone
    };
    runAndJoin(NoteThread, first);
    runAndJoin(NoteThreadAndRetire, second);
    runAndJoin(NoteThread, third);
    runAndJoin(NoteThread, fourth);
    EXPECT_EQ(1, first.jobsOnThread);
    EXPECT_EQ(2, second.jobsOnThread);
    EXPECT_EQ(first.threadId, second.threadId);
    // A retired worker may have been sent messages meant for its last job: nothing more runs on it.
    EXPECT_EQ(1, third.jobsOnThread);
    EXPECT_EQ(2, fourth.jobsOnThread);
    EXPECT_EQ(third.threadId, fourth.threadId);
}

TEST(WorkerPool, ItsEndWaitsForARunningJob)
{
    Gate gate;
    JobDone done;
    auto pool = std::make_unique<WorkerPool>();
    ASSERT_TRUE(pool->Run(SlowJob, &gate, &done));
    pool.reset();
    EXPECT_EQ(1, gate.finished);
    EXPECT_TRUE(Joined(done, 1000));
}

}  // namespace
