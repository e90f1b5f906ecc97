#include "WorkerPool.h"

#include "ServerThreads.h"

namespace {
// An idle worker ends after this long without a task, so a burst of transfers leaves no threads behind.
constexpr DWORD kIdleMs = 10000;
}  // namespace

WorkerPool::WorkerPool()
{
    InitializeCriticalSection(&m_lock);
    InitializeConditionVariable(&m_work);
    InitializeConditionVariable(&m_gone);
}

WorkerPool::~WorkerPool()
{
    EnterCriticalSection(&m_lock);
    m_stopping = true;
    WakeAllConditionVariable(&m_work);
    while (m_workers > 0)
        SleepConditionVariableCS(&m_gone, &m_lock, INFINITE);
    LeaveCriticalSection(&m_lock);
    DeleteCriticalSection(&m_lock);
}

HANDLE WorkerPool::Run(Job job, void* argument)
{
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!done)
        return nullptr;
    EnterCriticalSection(&m_lock);
    bool idleWorker = m_idle > static_cast<int>(m_tasks.size());
    bool queued = false;
    try {
        m_tasks.push_back(Task{job, argument, done});
        queued = true;
    } catch (...) {
    }
    if (queued && !idleWorker) {
        HANDLE thread = StartServerThread(Worker, this, nullptr);
        if (thread) {
            CloseHandle(thread);
            ++m_workers;
        } else {
            m_tasks.pop_back();
            queued = false;
        }
    }
    LeaveCriticalSection(&m_lock);
    if (!queued) {
        CloseHandle(done);
        return nullptr;
    }
    if (idleWorker)
        WakeConditionVariable(&m_work);
    return done;
}

// Under the lock: the next task, or false once the pool stops or the worker has been idle too long.
bool WorkerPool::NextTask(Task& task)
{
    while (m_tasks.empty() && !m_stopping) {
        ++m_idle;
        bool woken = SleepConditionVariableCS(&m_work, &m_lock, kIdleMs) != FALSE;
        --m_idle;
        if (!woken && m_tasks.empty())
            return false;
    }
    if (m_tasks.empty())
        return false;
    task = m_tasks.front();
    m_tasks.pop_front();
    return true;
}

unsigned __stdcall WorkerPool::Worker(void* argument)
{
    WorkerPool* pool = static_cast<WorkerPool*>(argument);
    EnterCriticalSection(&pool->m_lock);
    Task task;
    while (pool->NextTask(task)) {
        LeaveCriticalSection(&pool->m_lock);
        task.job(task.argument);
        SetEvent(task.done);
        EnterCriticalSection(&pool->m_lock);
    }
    --pool->m_workers;
    WakeAllConditionVariable(&pool->m_gone);
    LeaveCriticalSection(&pool->m_lock);
    return 0;
}
