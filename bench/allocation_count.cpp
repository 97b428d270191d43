// The counters behind allocation_count.h. Each counted function forwards to the C library's own
// (__real_*), so an operator new is counted once, not again as the malloc it makes.
#include "bench/allocation_count.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* memory, size_t size);
void* __real_aligned_alloc(size_t alignment, size_t size);
int __real_posix_memalign(void** memory, size_t alignment, size_t size);
}

namespace novra {
namespace {

std::atomic<uint64_t> allocations{0};

void count_one() {
    allocations.fetch_add(1, std::memory_order_relaxed);
}

// operator new's contract: never null; retries through the new-handler, throws when there is none.
void* allocate(size_t size, size_t alignment) {
    if (size == 0) size = 1;
    for (;;) {
        void* memory = nullptr;
        if (alignment <= alignof(std::max_align_t))
            memory = __real_malloc(size);
        else if (__real_posix_memalign(&memory, alignment, size) != 0)
            memory = nullptr;
        if (memory != nullptr) return memory;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* allocate_counted(size_t size, size_t alignment) {
    count_one();
    return allocate(size, alignment);
}

void* allocate_counted_or_null(size_t size, size_t alignment) noexcept {
    try {
        return allocate_counted(size, alignment);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

uint64_t heap_allocations() {
    return allocations.load(std::memory_order_relaxed);
}

bool heap_allocations_counted() {
    const uint64_t before = heap_allocations();
    void* volatile probe = std::malloc(16);
    std::free(probe);
    return heap_allocations() == before + 1;
}

}  // namespace novra

extern "C" {
void* __wrap_malloc(size_t size) {
    novra::count_one();
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    novra::count_one();
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* memory, size_t size) {
    novra::count_one();
    return __real_realloc(memory, size);
}
void* __wrap_aligned_alloc(size_t alignment, size_t size) {
    novra::count_one();
    return __real_aligned_alloc(alignment, size);
}
int __wrap_posix_memalign(void** memory, size_t alignment, size_t size) {
    novra::count_one();
    return __real_posix_memalign(memory, alignment, size);
}
}

void* operator new(size_t size) {
    return novra::allocate_counted(size, 0);
}
void* operator new[](size_t size) {
    return novra::allocate_counted(size, 0);
}
void* operator new(size_t size, std::align_val_t alignment) {
    return novra::allocate_counted(size, size_t(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return novra::allocate_counted(size, size_t(alignment));
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return novra::allocate_counted_or_null(size, 0);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return novra::allocate_counted_or_null(size, 0);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return novra::allocate_counted_or_null(size, size_t(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return novra::allocate_counted_or_null(size, size_t(alignment));
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, size_t, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(memory);
}
