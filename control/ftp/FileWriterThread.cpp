#include "FileWriterThread.h"

#include <new>

namespace {

// The length that tells the thread nothing more is coming.
const int kEndOfBlocks = -1;

} // namespace

FileWriterThread::FileWriterThread(HANDLE file, int blockSize, int blocks)
    : m_file(file), m_lengths(static_cast<size_t>(blocks), 0)
{
    // Not zero-filled: every byte is received before it is written. Blocks that cannot be had
    // leave the writer unstarted, which the download reports as a failure like any other.
    bool allocated = true;
    for (int i = 0; i < blocks && allocated; ++i) {
        m_blocks.emplace_back(new (std::nothrow) char[static_cast<size_t>(blockSize)]);
        allocated = m_blocks.back() != nullptr;
    }
    m_emptyBlocks = CreateSemaphoreA(nullptr, blocks, blocks + 1, nullptr);
    m_fullBlocks = CreateSemaphoreA(nullptr, 0, blocks + 1, nullptr);
    if (allocated && m_emptyBlocks && m_fullBlocks)
        m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

FileWriterThread::~FileWriterThread()
{
    if (m_thread) {
        InterlockedExchange(&m_stop, 1);
        ReleaseSemaphore(m_fullBlocks, 1, nullptr);
        // Lasts at most the write the thread is in.
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    if (m_emptyBlocks)
        CloseHandle(m_emptyBlocks);
    if (m_fullBlocks)
        CloseHandle(m_fullBlocks);
}

char* FileWriterThread::Take()
{
    WaitForSingleObject(m_emptyBlocks, INFINITE);
    m_hostHolds = true;
    return m_blocks[static_cast<size_t>(m_hostNext)].get();
}

void FileWriterThread::Give(int length)
{
    m_hostHolds = false;
    m_lengths[static_cast<size_t>(m_hostNext)] = length;
    m_hostNext = (m_hostNext + 1) % static_cast<int>(m_blocks.size());
    ReleaseSemaphore(m_fullBlocks, 1, nullptr);
}

void FileWriterThread::Drain()
{
    // Every block but the host's own is empty once it can be taken; they go straight back.
    const LONG others = static_cast<LONG>(m_blocks.size()) - (m_hostHolds ? 1 : 0);
    for (LONG i = 0; i < others; ++i)
        WaitForSingleObject(m_emptyBlocks, INFINITE);
    ReleaseSemaphore(m_emptyBlocks, others, nullptr);
}

bool FileWriterThread::Finish()
{
    if (!m_thread)
        return false;
    if (!m_hostHolds)
        Take();
    Give(kEndOfBlocks);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
    return m_error == 0;
}

DWORD WINAPI FileWriterThread::Run(void* self)
{
    static_cast<FileWriterThread*>(self)->Work();
    return 0;
}

void FileWriterThread::Work()
{
    for (;;) {
        WaitForSingleObject(m_fullBlocks, INFINITE);
        if (m_stop)
            return;
        const size_t slot = static_cast<size_t>(m_threadNext);
        m_threadNext = (m_threadNext + 1) % static_cast<int>(m_blocks.size());
        const int length = m_lengths[slot];
        if (length == kEndOfBlocks)
            return;
        // After a failed write the blocks still come back, unwritten, so that the host never
        // waits for one; it sees the failure at its next look.
        if (m_error == 0) {
            DWORD done = 0;
            if (WriteFile(m_file, m_blocks[slot].get(), static_cast<DWORD>(length), &done, nullptr) &&
                done == static_cast<DWORD>(length))
                InterlockedExchangeAdd(&m_written, length);
            else
                m_error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        }
        ReleaseSemaphore(m_emptyBlocks, 1, nullptr);
    }
}
