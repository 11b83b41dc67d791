#include "common/queued_file_writer.h"

#include <algorithm>

CQueuedFileWriter::CQueuedFileWriter(int threads, std::size_t maxQueuedBytes)
    : m_maxQueuedBytes(maxQueuedBytes) {
    for (int i = 0; i < std::max(1, threads); ++i)
        m_threads.emplace_back([this] { Run(); });
}

CQueuedFileWriter::~CQueuedFileWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_work.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

std::error_code CQueuedFileWriter::Write(const std::string& path, std::vector<std::uint8_t> bytes,
                                         const AtomicWriteOptions& options) {
    std::unique_lock lock(m_mutex);
    // One file larger than the whole allowance still goes, alone.
    m_space.wait(lock, [&] {
        return m_failure || m_jobs.empty() || m_queuedBytes + bytes.size() <= m_maxQueuedBytes;
    });
    if (m_failure) return m_failure->error;
    m_queuedBytes += bytes.size();
    m_jobs.push_back({path, m_tag, std::move(bytes), options});
    lock.unlock();
    m_work.notify_one();
    return {};
}

std::optional<CQueuedFileWriter::Failure> CQueuedFileWriter::Finish() {
    std::unique_lock lock(m_mutex);
    m_space.wait(lock, [&] { return m_jobs.empty() && m_busy == 0; });
    return m_failure;
}

void CQueuedFileWriter::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [&] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty()) return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        ++m_busy;
        lock.unlock();
        const std::error_code error = WriteFileAtomically(job.path, job.bytes, job.options);
        lock.lock();
        --m_busy;
        m_queuedBytes -= job.bytes.size();
        if (error && !m_failure) {
            m_failure = Failure{job.path, job.tag, error};
            // Nothing queued after a failure is written.
            for (const Job& dropped : m_jobs)
                m_queuedBytes -= dropped.bytes.size();
            m_jobs.clear();
        }
        m_space.notify_all();
    }
}
