// CWritePool: creates, writes, names and closes files on worker threads while
// the walker goes on reading entries, choosing names and logging.
//
// Tasks start in the order they are submitted and are taken back in that
// order, each once it is done, so that the walker reports their outcomes as a
// walk on one thread would. Only the walker submits and takes. Each worker
// writes through a writer of its own (IPlatform::OpenWriter), never through
// a handle of the walker's, so the walker may create folders meanwhile.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/Text.h"
#include "platform/Platform.h"

// The threads to write with when the user names none: one a core, as the
// system counts them (at least 1, at most 64).
int DefaultWriteThreads();

// One file for the pool to write.
struct SWriteTask {
    char16_t szPath[kPathCapacity] = {};  // relative to the output root, as WriteNewFile takes it
    const uint8_t* pData = nullptr;       // nSize bytes: the input's own, or pOwned's
    size_t nSize = 0;
    std::unique_ptr<uint8_t[]> pOwned;    // content the task owns (inflated), else null
    EWriteResult eResult = EWriteResult::CannotCreate;
};

class CWritePool {
public:
    // The platform must outlive the object.
    explicit CWritePool(IPlatform& platform) : m_platform(platform) {}
    ~CWritePool() { Stop(); }
    CWritePool(const CWritePool&) = delete;
    CWritePool& operator=(const CWritePool&) = delete;

    // Starts up to `threads` workers, each with a writer of the platform's,
    // while the output root is open. Returns how many started; with none,
    // the caller writes itself.
    int Start(int threads);
    // Lets every submitted task finish, ends the workers and gives their
    // writers back. Tasks not taken yet stay to be taken.
    void Stop();
    bool Running() const { return !m_workers.empty(); }

    void Submit(std::unique_ptr<SWriteTask> task);
    // The oldest task not taken yet, once it is done. With wait, waits for
    // it; without, null when it is not done yet. Null when none is queued.
    std::unique_ptr<SWriteTask> TakeOldest(bool wait);
    size_t Queued() const;      // tasks submitted and not taken
    size_t OwnedBytes() const;  // the content those tasks own

private:
    struct SSlot {
        std::unique_ptr<SWriteTask> task;
        bool bDone = false;
    };
    void Work(IFileWriter* writer);

    IPlatform& m_platform;
    mutable std::mutex m_mutex;
    std::condition_variable m_work;  // a task to start, or the end
    std::condition_variable m_done;  // a task is done
    std::deque<SSlot> m_slots;       // in the order submitted
    size_t m_nNextToStart = 0;       // the first slot no worker has taken
    size_t m_nOwnedBytes = 0;
    bool m_bEnding = false;
    std::vector<std::thread> m_workers;
    std::vector<IFileWriter*> m_writers;
};
