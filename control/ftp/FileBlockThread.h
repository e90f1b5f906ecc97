// A thread that makes a transfer's local-file calls while the host's thread makes the socket's.
#ifndef DORVIK_FILEBLOCKTHREAD_H
#define DORVIK_FILEBLOCKTHREAD_H

#include <windows.h>

#include <memory>
#include <vector>

// Under Wine every call costs about the same whatever its size; a file call and a socket call
// made on two threads overlap instead of adding up. Blocks go round a small ring: the host takes
// a block, uses it and gives it back, the thread does the same with the file in between.
//
// Writing: the host takes an empty block, fills it and gives it with its length; the thread
// writes the blocks in order. Reading: the thread reads ahead; the host takes each block with the
// length read (0 at the end of the file, -1 when the read failed) and gives it back once sent.
//
// The file stays the caller's and must outlive this object; the destructor ends the thread
// (blocks not yet written are dropped) before it returns.
class FileBlockThread {
public:
    enum Direction { ReadsFile, WritesFile };

    FileBlockThread(HANDLE file, Direction direction, int blockSize, int blocks);
    ~FileBlockThread();
    FileBlockThread(const FileBlockThread&) = delete;
    FileBlockThread& operator=(const FileBlockThread&) = delete;

    // False when the thread could not be started; the caller then does its own file calls.
    bool Started() const { return m_thread != nullptr; }
    int BlockSize() const { return m_blockSize; }

    // The host's next block. Waits while the thread still has it, which lasts one file call.
    // The host holds one block at a time: it gives each back before it takes the next.
    char* Take(int* length);
    void Give(int length);

    // Writing: waits until every block given has been written; false if a write failed. A block
    // the host still holds is not written.
    bool Finish();
    // Bytes the thread has written so far (the file holds exactly these after the caller's).
    long Written() const { return m_written; }
    // The system's code of the failed read or write.
    DWORD Error() const { return m_error; }

private:
    static DWORD WINAPI Run(void* self);
    void Work();

    HANDLE m_file;
    Direction m_direction;
    int m_blockSize;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<int> m_lengths;
    int m_hostNext = 0;
    int m_threadNext = 0;
    bool m_hostHolds = false;
    HANDLE m_hostTurns;    // blocks the host may take
    HANDLE m_threadTurns;  // blocks the thread may take
    HANDLE m_thread = nullptr;
    volatile LONG m_stop = 0;
    volatile LONG m_written = 0;
    volatile DWORD m_error = 0;
};

#endif
