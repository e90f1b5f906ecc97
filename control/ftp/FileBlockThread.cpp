#include "FileBlockThread.h"

namespace {

// The length that tells the writing thread nothing more is coming.
const int kEndOfBlocks = -2;

} // namespace

FileBlockThread::FileBlockThread(HANDLE file, Direction direction, int blockSize, int blocks)
    : m_file(file), m_direction(direction), m_blockSize(blockSize), m_lengths(static_cast<size_t>(blocks), 0)
{
    // Not zero-filled: every byte is written by a receive or a read before it is used.
    for (int i = 0; i < blocks; ++i)
        m_blocks.emplace_back(new char[static_cast<size_t>(blockSize)]);
    const LONG hostFirst = direction == WritesFile ? blocks : 0;
    m_hostTurns = CreateSemaphoreA(nullptr, hostFirst, blocks + 1, nullptr);
    m_threadTurns = CreateSemaphoreA(nullptr, blocks - hostFirst, blocks + 1, nullptr);
    if (m_hostTurns && m_threadTurns)
        m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

FileBlockThread::~FileBlockThread()
{
    if (m_thread) {
        InterlockedExchange(&m_stop, 1);
        ReleaseSemaphore(m_threadTurns, 1, nullptr);
        // Lasts at most the file call the thread is in.
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    if (m_hostTurns)
        CloseHandle(m_hostTurns);
    if (m_threadTurns)
        CloseHandle(m_threadTurns);
}

char* FileBlockThread::Take(int* length)
{
    WaitForSingleObject(m_hostTurns, INFINITE);
    m_hostHolds = true;
    if (length)
        *length = m_lengths[static_cast<size_t>(m_hostNext)];
    return m_blocks[static_cast<size_t>(m_hostNext)].get();
}

void FileBlockThread::Give(int length)
{
    m_hostHolds = false;
    m_lengths[static_cast<size_t>(m_hostNext)] = length;
    m_hostNext = (m_hostNext + 1) % static_cast<int>(m_blocks.size());
    ReleaseSemaphore(m_threadTurns, 1, nullptr);
}

bool FileBlockThread::Finish()
{
    if (!m_hostHolds)
        Take(nullptr);
    Give(kEndOfBlocks);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
    return m_error == 0;
}

DWORD WINAPI FileBlockThread::Run(void* self)
{
    static_cast<FileBlockThread*>(self)->Work();
    return 0;
}

void FileBlockThread::Work()
{
    for (;;) {
        WaitForSingleObject(m_threadTurns, INFINITE);
        if (m_stop)
            return;
        const size_t slot = static_cast<size_t>(m_threadNext);
        m_threadNext = (m_threadNext + 1) % static_cast<int>(m_blocks.size());
        char* block = m_blocks[slot].get();
        if (m_direction == WritesFile) {
            const int length = m_lengths[slot];
            if (length == kEndOfBlocks)
                return;
            DWORD done = 0;
            // After a failed write the blocks still come back, unwritten, so that the host
            // never waits for one; it sees the failure at its next look.
            if (m_error == 0) {
                if (WriteFile(m_file, block, static_cast<DWORD>(length), &done, nullptr) &&
                    done == static_cast<DWORD>(length))
                    InterlockedExchangeAdd(&m_written, length);
                else
                    m_error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            }
        } else {
            DWORD got = 0;
            if (ReadFile(m_file, block, static_cast<DWORD>(m_blockSize), &got, nullptr)) {
                m_lengths[slot] = static_cast<int>(got);
            } else {
                m_error = GetLastError();
                m_lengths[slot] = -1;
            }
            ReleaseSemaphore(m_hostTurns, 1, nullptr);
            if (got == 0 || m_lengths[slot] < 0)
                return;  // the end of the file, or a read that failed: nothing more to read
            continue;
        }
        ReleaseSemaphore(m_hostTurns, 1, nullptr);
    }
}
