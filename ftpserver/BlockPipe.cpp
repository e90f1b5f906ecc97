#include "BlockPipe.h"

BlockPipe::BlockPipe(int blocks, int blockSize) : m_storage(static_cast<size_t>(blocks))
{
    InitializeCriticalSection(&m_lock);
    InitializeConditionVariable(&m_changed);
    for (Block& block : m_storage) {
        block.bytes.resize(static_cast<size_t>(blockSize));
        m_empty.push_back(&block);
    }
}

BlockPipe::~BlockPipe()
{
    DeleteCriticalSection(&m_lock);
}

BlockPipe::Block* BlockPipe::TakeEmpty()
{
    EnterCriticalSection(&m_lock);
    while (m_empty.empty() && !m_closed)
        SleepConditionVariableCS(&m_changed, &m_lock, INFINITE);
    Block* block = nullptr;
    if (!m_closed) {
        block = m_empty.front();
        m_empty.pop_front();
    }
    LeaveCriticalSection(&m_lock);
    return block;
}

void BlockPipe::PutFull(Block* block)
{
    EnterCriticalSection(&m_lock);
    m_full.push_back(block);
    LeaveCriticalSection(&m_lock);
    WakeAllConditionVariable(&m_changed);
}

void BlockPipe::Finish(bool failed)
{
    EnterCriticalSection(&m_lock);
    m_finished = true;
    m_failed = m_failed || failed;
    LeaveCriticalSection(&m_lock);
    WakeAllConditionVariable(&m_changed);
}

BlockPipe::Block* BlockPipe::TakeFull()
{
    EnterCriticalSection(&m_lock);
    while (m_full.empty() && !m_finished)
        SleepConditionVariableCS(&m_changed, &m_lock, INFINITE);
    Block* block = nullptr;
    if (!m_full.empty()) {
        block = m_full.front();
        m_full.pop_front();
    }
    LeaveCriticalSection(&m_lock);
    return block;
}

void BlockPipe::PutEmpty(Block* block)
{
    EnterCriticalSection(&m_lock);
    m_empty.push_back(block);
    LeaveCriticalSection(&m_lock);
    WakeAllConditionVariable(&m_changed);
}

void BlockPipe::Close()
{
    EnterCriticalSection(&m_lock);
    m_closed = true;
    LeaveCriticalSection(&m_lock);
    WakeAllConditionVariable(&m_changed);
}

bool BlockPipe::Failed()
{
    EnterCriticalSection(&m_lock);
    bool failed = m_failed;
    LeaveCriticalSection(&m_lock);
    return failed;
}
