// SPDX-License-Identifier: MIT
// An array on pages of its own from the system (an anonymous mapping): a page takes memory when
// it is first written, not before, and all of it goes back to the system when the array goes. A
// snapshot's values can so be given room for every pixel of the canvas while holding only as
// many pages as it fills, and a save's memory does not linger in the allocator after it.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

template <typename T>
class PageArray {
    static_assert(std::is_trivial_v<T>);

public:
    PageArray() = default;
    // Room for `size` values, all zero. Throws std::bad_alloc when the system has no room.
    explicit PageArray(std::size_t size) : size_(size) {
        if (size == 0) return;
        if (size > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        void* p = mmap(nullptr, Bytes(), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        data_ = static_cast<T*>(p);
    }
    PageArray(PageArray&& o) noexcept
        : data_(std::exchange(o.data_, nullptr)), size_(std::exchange(o.size_, 0)) {}
    PageArray& operator=(PageArray&& o) noexcept {
        if (this != &o) {
            Release();
            data_ = std::exchange(o.data_, nullptr);
            size_ = std::exchange(o.size_, 0);
        }
        return *this;
    }
    PageArray(const PageArray&) = delete;
    PageArray& operator=(const PageArray&) = delete;
    ~PageArray() { Release(); }

    std::size_t size() const { return size_; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

    // Brings in the pages of the first `count` values (their contents stay zero), so that the
    // thread that writes them later takes no page faults there.
    void Touch(std::size_t count) {
        if (count > size_) count = size_;
        auto* bytes = reinterpret_cast<volatile unsigned char*>(data_);
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        for (std::size_t at = 0; at < count * sizeof(T); at += page) bytes[at] = 0;
    }

private:
    std::size_t Bytes() const { return size_ * sizeof(T); }
    void Release() {
        if (data_) munmap(data_, Bytes());
        data_ = nullptr;
        size_ = 0;
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
};
