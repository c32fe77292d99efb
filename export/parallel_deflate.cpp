// SPDX-License-Identifier: MIT
// DeflateInParts: worker threads take the parts in order and deflate each into its own buffer;
// the calling thread writes the buffers in order as they complete, with the zlib header before
// the first and the combined Adler-32 after the last. Workers stay at most a few parts ahead of
// the writer, so memory holds only the parts in flight. DeflateStream does the same for parts
// handed over one at a time, each on a thread of its own.
#include "export/parallel_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <future>
#include <mutex>
#include <system_error>
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

// The zlib header: deflate, 32 KiB window, the default level's flag.
constexpr unsigned char ZLIB_HEADER[2] = {0x78, 0x9C};

// The zlib trailer: the Adler-32 of the whole input, most significant byte first.
bool WriteTrailer(const std::function<bool(const unsigned char*, std::size_t)>& write,
                  uLong adler) {
    const unsigned char trailer[4] = {
        static_cast<unsigned char>(adler >> 24), static_cast<unsigned char>(adler >> 16),
        static_cast<unsigned char>(adler >> 8), static_cast<unsigned char>(adler)};
    return write(trailer, sizeof trailer);
}

// Deflates a part as raw data (no header): the dictionary set first, then a sync flush, or the
// end of the stream for the last part.
bool CompressPart(int level, int strategy, const DeflatePart& part, bool last, Compressed& out,
                  std::string& reason) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) {
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
    if (!ok) reason = "zlib could not compress the data";
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
                ok = CompressPart(job_.level, job_.strategy, part, index == job_.parts - 1, out,
                                  reason);
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
        if (!job_.write(ZLIB_HEADER, sizeof ZLIB_HEADER)) return false;
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
        return WriteTrailer(job_.write, adler);
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

struct DeflateStream::Pending {
    DeflatePart part;
    Compressed out;
    std::string reason;
    // Declared last, so that it is waited for before the rest goes.
    std::future<bool> done;
};

DeflateStream::DeflateStream(int level, int strategy, int threads,
                             std::function<bool(const unsigned char*, std::size_t)> write)
    : level_(level),
      strategy_(strategy),
      threads_(threads > 0 ? threads
                           : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))),
      write_(std::move(write)),
      adler_(adler32(0, nullptr, 0)) {}

DeflateStream::~DeflateStream() = default;

bool DeflateStream::Add(std::vector<unsigned char> input) {
    if (!error_.empty()) return false;
    if (!held_.empty()) Launch(false);
    held_ = std::move(input);
    return error_.empty();
}

bool DeflateStream::Finish(std::string& reason) {
    if (error_.empty()) Launch(true);
    while (error_.empty() && !in_flight_.empty()) WriteOldest();
    if (error_.empty()) {
        if (WriteTrailer(write_, adler_))
            written_ += 4;
        else
            error_ = "the data could not be written";
    }
    reason = error_;
    return error_.empty();
}

// Sends the held part to a thread of its own, behind the input before it as its dictionary, once
// fewer than threads_ parts are in flight.
void DeflateStream::Launch(bool last) {
    while (error_.empty() && static_cast<int>(in_flight_.size()) >= threads_) WriteOldest();
    if (!error_.empty()) return;
    auto pending = std::make_unique<Pending>();
    DeflatePart& part = pending->part;
    part.dictionary = dictionary_.size();
    part.bytes = std::move(dictionary_);
    part.bytes.insert(part.bytes.end(), held_.begin(), held_.end());
    held_.clear();
    const std::size_t keep = std::min(part.bytes.size(), DEFLATE_WINDOW);
    dictionary_.assign(part.bytes.end() - static_cast<std::ptrdiff_t>(keep), part.bytes.end());
    Pending* p = pending.get();
    const auto work = [this, p, last] {
        return CompressPart(level_, strategy_, p->part, last, p->out, p->reason);
    };
    try {
        p->done = std::async(std::launch::async, work);
    } catch (const std::system_error&) {
        p->done = std::async(std::launch::deferred, work);
    }
    in_flight_.push_back(std::move(pending));
}

// Waits for the oldest part in flight and writes it.
bool DeflateStream::WriteOldest() {
    std::unique_ptr<Pending> p = std::move(in_flight_.front());
    in_flight_.erase(in_flight_.begin());
    if (!p->done.get()) {
        error_ = p->reason;
        return false;
    }
    const auto put = [this](const unsigned char* data, std::size_t size) {
        if (!write_(data, size)) {
            error_ = "the data could not be written";
            return false;
        }
        written_ += size;
        return true;
    };
    if (!started_ && !put(ZLIB_HEADER, sizeof ZLIB_HEADER)) return false;
    started_ = true;
    if (!put(p->out.bytes.data(), p->out.bytes.size())) return false;
    adler_ = adler32_combine(adler_, p->out.adler, static_cast<z_off_t>(p->out.length));
    return true;
}
