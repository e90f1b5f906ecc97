// Threads kept between transfers. Under Wine creating and ending a thread costs more than a small
// download, and every RETR or STOR needs one.
#ifndef FTPSERVER_WORKERPOOL_H
#define FTPSERVER_WORKERPOOL_H

#include <windows.h>

#include <deque>

class WorkerPool {
public:
    typedef unsigned(__stdcall* Job)(void*);

    WorkerPool();
    // Ends the idle workers and waits until every worker, one still running a job included, has ended.
    ~WorkerPool();

    // Runs job(argument) on an idle worker, or on a new one when none is idle. Returns an event the
    // caller owns and closes, signalled once the job has returned; nullptr when no thread could be had.
    HANDLE Run(Job job, void* argument);

private:
    struct Task {
        Job job;
        void* argument;
        HANDLE done;
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
