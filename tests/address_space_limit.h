// A lowered address-space limit for part of a test, as `ulimit -v` sets one
// for a shell: allocations past it fail as they do on a machine short of
// memory. The sanitizers reserve far more address space than they use, so
// under them no such limit can be set (Possible() is false).
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace calyra::test {

class AddressSpaceLimit {
  public:
    static constexpr bool Possible() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
        return false;
#else
        return true;
#endif
#else
        return true;
#endif
    }

    // The process's mapped bytes now, as /proc/self/status gives them.
    static std::uint64_t MappedBytes() {
        std::ifstream status("/proc/self/status");
        std::string key;
        std::uint64_t kib = 0;
        while (status >> key) {
            if (key == "VmSize:" && status >> kib) return kib << 10;
        }
        return 0;
    }

    // headroom bytes past what the process maps now.
    explicit AddressSpaceLimit(std::uint64_t headroom) {
        set_ = ::getrlimit(RLIMIT_AS, &previous_) == 0;
        rlimit lowered = previous_;
        lowered.rlim_cur = static_cast<rlim_t>(MappedBytes() + headroom);
        set_ = set_ && ::setrlimit(RLIMIT_AS, &lowered) == 0;
    }
    ~AddressSpaceLimit() {
        if (set_) ::setrlimit(RLIMIT_AS, &previous_);
    }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

    bool Set() const {
        return set_;
    }

  private:
    rlimit previous_{};
    bool set_ = false;
};

}  // namespace calyra::test
