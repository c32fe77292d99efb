// SPDX-License-Identifier: MIT
// DeflateInParts: worker threads take the parts in order and deflate each into its own buffer;
// the calling thread writes the buffers in order as they complete, with the zlib header before
// the first and the combined Adler-32 after the last. Workers stay at most a few parts ahead of
// the writer, so memory holds only the parts in flight.
#include "export/parallel_deflate.h"

#include <zlib.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// How many parts per thread may wait compressed for the writer.
constexpr int PARTS_AHEAD = 3;

struct Compressed {
    bool ready = false;
    std::vector<unsigned char> bytes;
    uLong adler = 0;
    uLong length = 0;
};

// Deflates a part as raw data (no header): the dictionary set first, then a sync flush, or the
// end of the stream for the last part.
bool DeflatePart_(const DeflateJob& job, const DeflatePart& part, bool last, Compressed& out,
                  std::string& reason) {
    z_stream z{};
    if (deflateInit2(&z, job.level, Z_DEFLATED, -15, 8, job.strategy) != Z_OK) {
        reason = "zlib could not start";
        return false;
    }
    const unsigned char* input = part.bytes.data();
    if (part.dictionary > 0) deflateSetDictionary(&z, input, static_cast<uInt>(part.dictionary));
    const std::size_t size = part.bytes.size() - part.dictionary;
    out.length = static_cast<uLong>(size);
    out.adler = adler32(adler32(0, nullptr, 0), input + part.dictionary, static_cast<uInt>(size));
    out.bytes.resize(deflateBound(&z, static_cast<uLong>(size)) + 16);
    z.next_in = const_cast<Bytef*>(input + part.dictionary);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out.bytes.data();
    z.avail_out = static_cast<uInt>(out.bytes.size());
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    const int status = deflate(&z, flush);
    const bool ok = last ? status == Z_STREAM_END : status == Z_OK && z.avail_in == 0;
    out.bytes.resize(out.bytes.size() - z.avail_out);
    deflateEnd(&z);
    if (!ok) reason = "zlib could not compress the image";
    return ok;
}

class Runner {
public:
    explicit Runner(const DeflateJob& job) : job_(job), done_(job.parts) {}

    bool Run(std::string& reason) {
        std::vector<std::thread> workers;
        const int count = std::max(1, std::min(job_.threads, job_.parts));
        bool written = false;
        try {
            for (int i = 0; i < count; ++i) workers.emplace_back([this] { Work(); });
            written = WriteInOrder();
        } catch (...) {
            // No thread could be started: the ones running are stopped before the error leaves.
            Stop(workers);
            throw;
        }
        Stop(workers);
        if (!error_.empty())
            reason = error_;
        else if (!written)
            reason = "the image could not be written";
        return written && error_.empty();
    }

private:
    void Stop(std::vector<std::thread>& workers) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : workers) t.join();
    }

    void Work() {
        DeflatePart part;
        std::string reason;
        for (;;) {
            int index;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] {
                    return stop_ || next_ >= job_.parts || next_ < written_ + Ahead();
                });
                if (stop_ || next_ >= job_.parts) return;
                index = next_++;
            }
            Compressed out;
            bool ok = false;
            try {
                job_.make_part(index, part);
                ok = DeflatePart_(job_, part, index == job_.parts - 1, out, reason);
            } catch (const std::exception& e) {
                reason = e.what();
            }
            std::lock_guard lock(mutex_);
            if (!ok) {
                if (error_.empty()) error_ = reason;
                stop_ = true;
            }
            done_[index] = std::move(out);
            done_[index].ready = ok;
            changed_.notify_all();
        }
    }

    int Ahead() const { return PARTS_AHEAD * std::max(1, job_.threads); }

    bool WriteInOrder() {
        static const unsigned char HEADER[2] = {0x78, 0x9C};  // deflate, 32 KiB window, level 6
        if (!job_.write(HEADER, sizeof HEADER)) return false;
        uLong adler = adler32(0, nullptr, 0);
        for (int i = 0; i < job_.parts; ++i) {
            Compressed part;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || done_[i].ready; });
                if (!done_[i].ready) return false;
                part = std::move(done_[i]);
                done_[i] = Compressed{};
                written_ = i + 1;
            }
            changed_.notify_all();
            if (!job_.write(part.bytes.data(), part.bytes.size())) return false;
            adler = adler32_combine(adler, part.adler, static_cast<z_off_t>(part.length));
            if (job_.parts_done) job_.parts_done->store(i + 1);
        }
        const unsigned char trailer[4] = {
            static_cast<unsigned char>(adler >> 24), static_cast<unsigned char>(adler >> 16),
            static_cast<unsigned char>(adler >> 8), static_cast<unsigned char>(adler)};
        return job_.write(trailer, sizeof trailer);
    }

    const DeflateJob& job_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Compressed> done_;
    int next_ = 0;
    int written_ = 0;
    bool stop_ = false;
    std::string error_;
};

}  // namespace

bool DeflateInParts(const DeflateJob& job, std::string& reason) {
    if (job.parts < 1) {
        reason = "nothing to compress";
        return false;
    }
    Runner runner(job);
    return runner.Run(reason);
}
