// Threads kept between jobs. Under Wine creating and ending a thread costs more than a small download
// or a short session, and every session and every RETR or STOR needs one.
#ifndef FTPSERVER_WORKERPOOL_H
#define FTPSERVER_WORKERPOOL_H

#include <windows.h>

#include <deque>

// Tells a waiter that a job has returned. It holds no kernel object: under Wine an event costs a call to
// the Wine server to make, to set, to wait on and to close, while this lock and condition do not.
class JobDone {
public:
    JobDone();
    JobDone(const JobDone&) = delete;
    JobDone& operator=(const JobDone&) = delete;

    void Arm();      // before the job is handed to the pool
    void Signal();   // the pool's last touch of this object for the job
    void Wait();     // returns once the job armed last has returned

private:
    SRWLOCK m_lock;
    CONDITION_VARIABLE m_changed;
    bool m_signalled = true;
};

class WorkerPool {
public:
    // A job's return value: kKeepWorker, or kRetireWorker when the thread must not serve another job
    // (something may still be posted to it for the job that ended).
    typedef unsigned(__stdcall* Job)(void*);
    static constexpr unsigned kKeepWorker = 0;
    static constexpr unsigned kRetireWorker = 1;

    WorkerPool();
    // Ends the idle workers and waits until every worker, one still running a job included, has ended.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs job(argument) on an idle worker, or on a new one when none is idle. done, when given, is armed
    // here and signalled once the job has returned. False when no thread could be had (done then stays
    // as it was).
    bool Run(Job job, void* argument, JobDone* done = nullptr);

private:
    struct Task {
        Job job;
        void* argument;
        JobDone* done;
    };

    static unsigned __stdcall Worker(void* pool);
    bool NextTask(Task& task);

    CRITICAL_SECTION m_lock;
    CONDITION_VARIABLE m_work;
    CONDITION_VARIABLE m_gone;
    std::deque<Task> m_tasks;
    int m_idle = 0;
    int m_workers = 0;
    bool m_stopping = false;
};

#endif
