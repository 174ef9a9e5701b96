#include "extract/WritePool.h"

#include <system_error>

int DefaultWriteThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores > 64 ? 64 : int(cores);
}

int CWritePool::Start(int threads) {
    Stop();
    m_bEnding = false;
    for (int i = 0; i < threads; ++i) {
        IFileWriter* writer = m_platform.OpenWriter();
        if (!writer)
            break;
        try {
            m_workers.emplace_back(&CWritePool::Work, this, writer);
        } catch (const std::system_error&) {  // no thread to be had: fewer workers
            m_platform.CloseWriter(writer);
            break;
        }
        m_writers.push_back(writer);
    }
    return int(m_workers.size());
}

void CWritePool::Stop() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bEnding = true;
    }
    m_work.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
    m_workers.clear();
    for (IFileWriter* writer : m_writers)
        m_platform.CloseWriter(writer);
    m_writers.clear();
}

void CWritePool::Submit(std::unique_ptr<SWriteTask> task) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_nOwnedBytes += task->pOwned ? task->nSize : 0;
        m_slots.push_back(SSlot{std::move(task), false});
    }
    m_work.notify_one();
}

void CWritePool::Work(IFileWriter* writer) {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this] { return m_bEnding || m_nNextToStart < m_slots.size(); });
        if (m_nNextToStart >= m_slots.size())
            return;  // ending, and nothing left to start
        // A slot stays where it is until it is taken, and it is taken only
        // once done: the reference holds while the lock is let go.
        SSlot& slot = m_slots[m_nNextToStart++];
        SWriteTask& task = *slot.task;
        lock.unlock();
        task.eResult = writer->WriteNewFile(task.szPath, task.pData, task.nSize);
        lock.lock();
        slot.bDone = true;
        m_done.notify_all();
    }
}

std::unique_ptr<SWriteTask> CWritePool::TakeOldest(bool wait) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_slots.empty())
        return nullptr;
    if (wait)
        m_done.wait(lock, [this] { return m_slots.front().bDone; });
    if (!m_slots.front().bDone)
        return nullptr;
    std::unique_ptr<SWriteTask> task = std::move(m_slots.front().task);
    m_slots.pop_front();
    --m_nNextToStart;  // the slot taken had been started
    m_nOwnedBytes -= task->pOwned ? task->nSize : 0;
    return task;
}

size_t CWritePool::Queued() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_slots.size();
}

size_t CWritePool::OwnedBytes() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_nOwnedBytes;
}
