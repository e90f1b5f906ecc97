#include "FileWriterThread.h"

#include <new>

namespace {

// The length that tells the thread nothing more is coming.
const int kEndOfBlocks = -1;

} // namespace

FileWriterThread::FileWriterThread(HANDLE file, int blockSize, int blocks, std::unique_ptr<char[]>* firstBlock)
    : m_file(file), m_lender(firstBlock), m_blockSize(blockSize), m_blockCount(blocks),
      m_lengths(static_cast<size_t>(blocks), 0)
{
    // Not zero-filled: every byte is received before it is written.
    if (!*firstBlock)
        firstBlock->reset(new (std::nothrow) char[static_cast<size_t>(blockSize)]);
    m_blocks.push_back(std::move(*firstBlock));
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
    *m_lender = std::move(m_blocks[0]);
}

bool FileWriterThread::StartThread()
{
    while (static_cast<int>(m_blocks.size()) < m_blockCount) {
        m_blocks.emplace_back(new (std::nothrow) char[static_cast<size_t>(m_blockSize)]);
        if (!m_blocks.back()) {
            m_blocks.pop_back();
            return false;
        }
    }
    // The host holds the first block, full: the others are empty.
    m_emptyBlocks = CreateSemaphoreA(nullptr, m_blockCount - 1, m_blockCount + 1, nullptr);
    m_fullBlocks = CreateSemaphoreA(nullptr, 0, m_blockCount + 1, nullptr);
    if (m_emptyBlocks && m_fullBlocks)
        m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    return m_thread != nullptr;
}

void FileWriterThread::WriteOnHostThread(int length)
{
    m_hostHolds = false;
    if (m_error != 0)
        return;
    DWORD done = 0;
    if (WriteFile(m_file, m_blocks[0].get(), static_cast<DWORD>(length), &done, nullptr) &&
        done == static_cast<DWORD>(length))
        m_written += length;
    else
        m_error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
}

char* FileWriterThread::Take()
{
    if (!m_thread) {
        m_hostHolds = true;
        return m_blocks[0].get();
    }
    WaitForSingleObject(m_emptyBlocks, INFINITE);
    m_hostHolds = true;
    return m_blocks[static_cast<size_t>(m_hostNext)].get();
}

void FileWriterThread::Give(int length)
{
    if (!m_thread && length == m_blockSize && !m_threadRefused && !StartThread())
        m_threadRefused = true;
    if (!m_thread) {
        WriteOnHostThread(length);
        return;
    }
    m_hostHolds = false;
    m_lengths[static_cast<size_t>(m_hostNext)] = length;
    m_hostNext = (m_hostNext + 1) % static_cast<int>(m_blocks.size());
    ReleaseSemaphore(m_fullBlocks, 1, nullptr);
}

void FileWriterThread::Drain()
{
    if (!m_thread)
        return;  // every block given so far is written already
    // Every block but the host's own is empty once it can be taken; they go straight back.
    const LONG others = static_cast<LONG>(m_blocks.size()) - (m_hostHolds ? 1 : 0);
    for (LONG i = 0; i < others; ++i)
        WaitForSingleObject(m_emptyBlocks, INFINITE);
    ReleaseSemaphore(m_emptyBlocks, others, nullptr);
}

bool FileWriterThread::Finish()
{
    if (!m_thread)
        return Ready() && m_error == 0;
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
