// Two threads hand large blocks to each other, so that file I/O and socket I/O of one transfer overlap:
// under Wine each call costs a fixed ~100 us, and a transfer that waits for both in turn pays twice.
#ifndef FTPSERVER_BLOCKPIPE_H
#define FTPSERVER_BLOCKPIPE_H

#include <windows.h>

#include <deque>
#include <vector>

class BlockPipe {
public:
    struct Block {
        std::vector<char> bytes;
        int length = 0;
    };

    BlockPipe(int blocks, int blockSize);
    ~BlockPipe();

    // Producer: an empty block to fill, or nullptr once the pipe is closed.
    Block* TakeEmpty();
    void PutFull(Block* block);
    // Producer: no more blocks (failed tells the consumer the data are incomplete).
    void Finish(bool failed);

    // Consumer: the next full block, or nullptr at the end (then Failed() tells why).
    Block* TakeFull();
    void PutEmpty(Block* block);
    // Consumer: stop the producer early.
    void Close();

    bool Failed();

private:
    CRITICAL_SECTION m_lock;
    CONDITION_VARIABLE m_changed;
    std::vector<Block> m_storage;
    std::deque<Block*> m_empty, m_full;
    bool m_finished = false, m_failed = false, m_closed = false;
};

#endif
