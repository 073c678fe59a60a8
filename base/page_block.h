// A zero-filled block of memory straight from the system. Its pages cost
// memory only once written, so a large store costs nothing for what is never
// filled, and a range the program is done with can be given back before the
// whole block goes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace calyra {

class PageBlock {
  public:
    PageBlock() = default;
    // bytes zero-filled; empty (false) when the system has no room. Large
    // blocks may be backed by huge pages.
    explicit PageBlock(std::size_t bytes);
    ~PageBlock();
    PageBlock(PageBlock&& other) noexcept;
    PageBlock& operator=(PageBlock&& other) noexcept;
    PageBlock(const PageBlock&) = delete;
    PageBlock& operator=(const PageBlock&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    std::uint8_t* get() const { return static_cast<std::uint8_t*>(data_); }
    std::size_t size() const { return size_; }
    void reset();

    // Gives back the whole pages inside bytes [from, to): they read as zero
    // afterwards and cost no memory until written again.
    void Release(std::size_t from, std::size_t to);

  private:
    void* data_ = nullptr;
    std::size_t size_ = 0;    // as asked
    std::size_t mapped_ = 0;  // as the system holds it
};

}  // namespace calyra
