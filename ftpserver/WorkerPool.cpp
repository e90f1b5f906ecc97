#include "WorkerPool.h"

#include "ServerThreads.h"

namespace {
// An idle worker ends after this long without a task, so a burst of sessions leaves no threads behind.
constexpr DWORD kIdleMs = 10000;
}  // namespace

JobDone::JobDone()
{
    InitializeSRWLock(&m_lock);
    InitializeConditionVariable(&m_changed);
}

void JobDone::Arm()
{
    AcquireSRWLockExclusive(&m_lock);
    m_signalled = false;
    ReleaseSRWLockExclusive(&m_lock);
}

void JobDone::Signal()
{
    // Under the lock: the waiter cannot return, and perhaps free this object, before the release.
    AcquireSRWLockExclusive(&m_lock);
    m_signalled = true;
    WakeAllConditionVariable(&m_changed);
    ReleaseSRWLockExclusive(&m_lock);
}

void JobDone::Wait()
{
    AcquireSRWLockExclusive(&m_lock);
    while (!m_signalled)
        SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
    ReleaseSRWLockExclusive(&m_lock);
}

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

bool WorkerPool::Run(Job job, void* argument, JobDone* done)
{
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
    // Armed before any worker can take the task and signal it.
    if (queued && done)
        done->Arm();
    LeaveCriticalSection(&m_lock);
    if (queued && idleWorker)
        WakeConditionVariable(&m_work);
    return queued;
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
    // The last instructions of a worker run after the pool has let its owner go, and the owner may be
    // a control whose release unloads the library: the worker keeps the library loaded until it has
    // left its code.
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&WorkerPool::Worker),
                       &module);
    WorkerPool* pool = static_cast<WorkerPool*>(argument);
    EnterCriticalSection(&pool->m_lock);
    Task task;
    while (pool->NextTask(task)) {
        LeaveCriticalSection(&pool->m_lock);
        unsigned verdict = task.job(task.argument);
        if (task.done)
            task.done->Signal();
        EnterCriticalSection(&pool->m_lock);
        if (verdict == kRetireWorker)
            break;
    }
    --pool->m_workers;
    WakeAllConditionVariable(&pool->m_gone);
    LeaveCriticalSection(&pool->m_lock);
    // Leaving without _endthreadex is fine here: the C runtime is a library of its own, which frees the
    // thread's data when the thread detaches.
    if (module)
        FreeLibraryAndExitThread(module, 0);
    return 0;
}
