// A thread that writes a download's blocks into the local file while the host's thread receives.
#ifndef DORVIK_FILEWRITERTHREAD_H
#define DORVIK_FILEWRITERTHREAD_H

#include <windows.h>

#include <memory>
#include <vector>

// Under Wine every call costs about the same whatever its size; a file write and a receive made
// on two threads overlap instead of adding up. Blocks go round a small ring: the host takes an
// empty block, fills it and gives it back with its length; the thread writes the blocks in order
// and hands them on empty. A new thread and megabytes of blocks cost more than a small file takes
// to arrive, so both come only with the first full block: until then (and if they cannot be had)
// each block given is written at once, on the host's thread.
//
// The file stays the caller's and must outlive this object; the destructor ends the thread
// (blocks not yet written are dropped) before it returns. The first block is lent by the caller,
// who keeps it from one transfer to the next (a block of megabytes is a call and page faults each
// time it is made): the writer makes it when the caller has none and gives it back as it goes.
class FileWriterThread {
public:
    FileWriterThread(HANDLE file, int blockSize, int blocks, std::unique_ptr<char[]>* firstBlock);
    ~FileWriterThread();
    FileWriterThread(const FileWriterThread&) = delete;
    FileWriterThread& operator=(const FileWriterThread&) = delete;

    // False when not even the first block could be had.
    bool Ready() const { return !m_blocks.empty() && m_blocks[0] != nullptr; }

    // The host's next empty block, of the size given at construction. Waits while the thread
    // still writes it, which lasts one file call. The host holds one block at a time: it gives
    // each back before it takes the next.
    char* Take();
    void Give(int length);

    // Waits until every block given has been written (or has failed to be), the thread going on.
    void Drain();
    // Waits until every block given has been written and ends the thread; false if a write
    // failed. A block the host still holds is not written.
    bool Finish();
    // Bytes the thread has written so far.
    long Written() const { return m_written; }
    // The system's code of the failed write, 0 while none has failed.
    DWORD Error() const { return m_error; }

private:
    // The ring and its thread, for a transfer that has filled its first block; false when they
    // could not be had (the writes then stay on the host's thread).
    bool StartThread();
    void WriteOnHostThread(int length);
    static DWORD WINAPI Run(void* self);
    void Work();

    HANDLE m_file;
    std::unique_ptr<char[]>* m_lender;
    const int m_blockSize;
    const int m_blockCount;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<int> m_lengths;
    int m_hostNext = 0;
    int m_threadNext = 0;
    bool m_hostHolds = false;
    HANDLE m_emptyBlocks = nullptr;  // blocks the host may take
    HANDLE m_fullBlocks = nullptr;   // blocks the thread may write
    HANDLE m_thread = nullptr;
    bool m_threadRefused = false;    // the ring could not be had: every write stays on the host's thread
    volatile LONG m_stop = 0;
    volatile LONG m_written = 0;
    volatile DWORD m_error = 0;
};

#endif
