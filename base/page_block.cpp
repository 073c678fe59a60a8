#include "base/page_block.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace calyra {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t PageSize() {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::size_t>(page) : 4096;
}

}  // namespace

PageBlock::PageBlock(std::size_t bytes) {
    const std::size_t page = PageSize();
    const bool huge = bytes >= 2 * kHugePage;
    const std::size_t unit = huge ? kHugePage : page;
    const std::size_t mapped = (std::max<std::size_t>(bytes, 1) + unit - 1) / unit * unit;
    // A large block starts on a huge-page boundary: the unaligned head and
    // tail of a slightly larger mapping go back.
    const std::size_t asked = huge ? mapped + kHugePage : mapped;
    void* p = ::mmap(nullptr, asked, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return;
    auto* start = static_cast<std::uint8_t*>(p);
    if (huge) {
        const auto address = reinterpret_cast<std::uintptr_t>(start);
        const std::size_t head = (kHugePage - address % kHugePage) % kHugePage;
        if (head > 0) ::munmap(start, head);
        if (kHugePage - head > 0) ::munmap(start + head + mapped, kHugePage - head);
        start += head;
        // First-touch faults on ordinary pages cost more than filling a large
        // store. The first huge page and the tail past the last whole one
        // keep ordinary pages, so that they cost only what is written of
        // them (a store's first plane of zeros is never written).
        const std::size_t whole = std::max<std::size_t>(bytes, 1) / kHugePage * kHugePage;
        if (whole > kHugePage) ::madvise(start + kHugePage, whole - kHugePage, MADV_HUGEPAGE);
    }
    p = start;
    data_ = p;
    size_ = bytes;
    mapped_ = mapped;
}

PageBlock::~PageBlock() {
    reset();
}

PageBlock::PageBlock(PageBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

PageBlock& PageBlock::operator=(PageBlock&& other) noexcept {
    if (this != &other) {
        reset();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

void PageBlock::reset() {
    if (data_) ::munmap(data_, mapped_);
    data_ = nullptr;
    size_ = mapped_ = 0;
}

void PageBlock::Release(std::size_t from, std::size_t to) {
    if (!data_) return;
    const std::size_t page = PageSize();
    to = std::min(to, mapped_);
    from = (from + page - 1) / page * page;
    to = to / page * page;
    if (from >= to) return;
    ::madvise(get() + from, to - from, MADV_DONTNEED);
}

}  // namespace calyra
