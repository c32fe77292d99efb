// SPDX-License-Identifier: MIT
// One zlib stream compressed in parts on several threads: each part is deflated on its own with
// the 32 KiB of input before it as its dictionary and ends on a byte boundary (a sync flush), so
// the parts join into a single valid stream whose Adler-32 is combined from theirs.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The input of one part: `bytes` holds up to 32 KiB of the input just before the part (its
// dictionary, none for the first part) followed by the part's own input.
struct DeflatePart {
    std::vector<unsigned char> bytes;
    std::size_t dictionary = 0;  // how many leading bytes are the dictionary
};

struct DeflateJob {
    int parts = 0;
    // Fills part `index`; called on the worker threads, several at once, for distinct indices.
    std::function<void(int index, DeflatePart& part)> make_part;
    // Takes the stream's bytes in order, on the calling thread; false stops the job.
    std::function<bool(const unsigned char* data, std::size_t size)> write;
    int threads = 1;
    int level = 6;     // zlib's Z_DEFAULT_COMPRESSION level
    int strategy = 1;  // Z_FILTERED, libpng's choice for filtered image data
    // When not null, counts the parts written.
    std::atomic<int>* parts_done = nullptr;
};

// The dictionary zlib can use: the last 32 KiB of the input before a part.
constexpr std::size_t DEFLATE_WINDOW = 32768;

// Runs the job; returns false with `reason` when zlib fails, a part cannot be made (its
// exception's message) or `write` refuses.
bool DeflateInParts(const DeflateJob& job, std::string& reason);

// The same stream from parts handed over one at a time as a producer makes them, for input whose
// length is not known ahead (the PDF's content as it is traced). Each part is deflated on a
// thread of its own while the producer goes on, at most `threads` at once; the calling thread
// writes the finished parts in order, at Add and at Finish. `threads` 0 is one per core.
class DeflateStream {
public:
    DeflateStream(int level, int strategy, int threads,
                  std::function<bool(const unsigned char* data, std::size_t size)> write);
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;
    ~DeflateStream();

    // Takes the next part of the input. False once the stream has failed (Finish says why).
    bool Add(std::vector<unsigned char> input);
    // Ends the stream and writes the rest; false with `reason` when zlib failed or `write`
    // refused.
    bool Finish(std::string& reason);
    // The bytes written so far.
    std::size_t written() const { return written_; }

private:
    struct Pending;
    void Launch(bool last);
    bool WriteOldest();

    int level_, strategy_, threads_;
    std::function<bool(const unsigned char*, std::size_t)> write_;
    std::vector<unsigned char> held_;        // the newest part, sent once the next one comes
    std::vector<unsigned char> dictionary_;  // the input's last 32 KiB before the held part
    std::vector<std::unique_ptr<Pending>> in_flight_;
    unsigned long adler_;
    std::size_t written_ = 0;
    bool started_ = false;
    std::string error_;
};
