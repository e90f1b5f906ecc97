// The pool of transfer workers: every job runs at once, its event tells when it has returned, idle
// workers are reused and the pool's end waits for running jobs.
#include "WorkerPool.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Gate {
    HANDLE open = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    volatile LONG started = 0;
    volatile LONG finished = 0;
    volatile DWORD threadId = 0;
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

unsigned __stdcall NoteThread(void* argument)
{
    static_cast<Gate*>(argument)->threadId = GetCurrentThreadId();
    return 0;
}

unsigned __stdcall SlowJob(void* argument)
{
    Sleep(200);
    InterlockedIncrement(&static_cast<Gate*>(argument)->finished);
    return 0;
}

TEST(WorkerPool, RunsEveryJobAtOnceAndSignalsEachWhenItHasReturned)
{
    // Transfers block for as long as their clients take: a job must never wait for another to end.
    WorkerPool pool;
    Gate gate;
    std::vector<HANDLE> done;
    for (int i = 0; i < 20; ++i) {
        done.push_back(pool.Run(WaitAtGate, &gate));
        ASSERT_NE(nullptr, done.back());
    }
    for (int waited = 0; gate.started < 20 && waited < 5000; waited += 10)
        Sleep(10);
    EXPECT_EQ(20, gate.started);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(done[0], 50));
    SetEvent(gate.open);
    for (HANDLE event : done) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event, 5000));
        CloseHandle(event);
    }
    EXPECT_EQ(20, gate.finished);
}

TEST(WorkerPool, AnIdleWorkerTakesTheNextJob)
{
    WorkerPool pool;
    Gate first, second;
    HANDLE done = pool.Run(NoteThread, &first);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 5000));
    CloseHandle(done);
    Sleep(50);  // the worker is back waiting for work
    done = pool.Run(NoteThread, &second);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 5000));
    CloseHandle(done);
    EXPECT_NE(0u, first.threadId);
    EXPECT_EQ(first.threadId, second.threadId);
}

TEST(WorkerPool, ItsEndWaitsForARunningJob)
{
    Gate gate;
    auto pool = std::make_unique<WorkerPool>();
    HANDLE done = pool->Run(SlowJob, &gate);
    ASSERT_NE(nullptr, done);
    pool.reset();
    EXPECT_EQ(1, gate.finished);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 0));
    CloseHandle(done);
}

}  // namespace
