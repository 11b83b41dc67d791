#pragma once
// Files written on threads of their own, started in the order given, while the caller makes the
// next ones: a batch's drawing and encoding goes on while the file system does its work.

#include "common/atomic_file.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

// Takes the bytes of a finished file to write, now or later.
class CFileSink {
public:
    virtual ~CFileSink() = default;
    // The failure of this file or of one taken earlier; none while all is well.
    virtual std::error_code Write(const std::string& path, std::vector<std::uint8_t> bytes,
                                  const AtomicWriteOptions& options) = 0;
};

class CQueuedFileWriter : public CFileSink {
public:
    struct Failure {
        std::string path, tag;
        std::error_code error;
    };

    // Writes on `threads` threads (the file system does part of its work for different files at
    // once) and holds at most `maxQueuedBytes` of files not yet written; Write waits for room.
    explicit CQueuedFileWriter(int threads = 2, std::size_t maxQueuedBytes = 32u << 20);
    // Writes what is queued, then ends the threads.
    ~CQueuedFileWriter() override;
    CQueuedFileWriter(const CQueuedFileWriter&) = delete;
    CQueuedFileWriter& operator=(const CQueuedFileWriter&) = delete;

    // Queues the file with the tag last set, unless a file has failed: then nothing more is
    // written, and the failure is returned.
    std::error_code Write(const std::string& path, std::vector<std::uint8_t> bytes,
                          const AtomicWriteOptions& options) override;
    // A word for the caller's report of the files queued from now on (a line of the input).
    void SetTag(std::string tag) { m_tag = std::move(tag); }
    // Waits until every queued file is written; the first failure.
    std::optional<Failure> Finish();

private:
    struct Job {
        std::string path, tag;
        std::vector<std::uint8_t> bytes;
        AtomicWriteOptions options;
    };
    void Run();

    const std::size_t m_maxQueuedBytes;
    std::string m_tag;
    std::mutex m_mutex;
    std::condition_variable m_work;  // a job was queued, or the writer stops
    std::condition_variable m_space; // a job was done: room in the queue, or all written
    std::deque<Job> m_jobs;
    std::size_t m_queuedBytes = 0;
    int m_busy = 0;
    bool m_stop = false;
    std::optional<Failure> m_failure;
    std::vector<std::thread> m_threads;
};
