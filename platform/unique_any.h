// The one way the program owns a handle: a move-only holder that releases it through the call of
// the OS area that gave it out, in the manner of wil's unique_any. Each handle kind names its
// holder once, next to its interface, with its own invalid value (null for most, but
// INVALID_HANDLE_VALUE for a file).
#pragma once

#include <cstdint>
#include <utility>

namespace plat {

// `Close` is the member of `Owner` that releases a `Handle`; `kInvalid` is the value that holds
// nothing, as a number.
template <typename Owner, typename Handle, auto Close, std::uintptr_t kInvalid = 0>
class UniqueAny {
  public:
    explicit UniqueAny(Owner& owner, Handle handle = Invalid()) : owner_(&owner), handle_(handle) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept
        : owner_(other.owner_), handle_(std::exchange(other.handle_, Invalid())) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, Invalid()));
            owner_ = other.owner_;
        }
        return *this;
    }
    ~UniqueAny() { reset(); }

    static Handle Invalid() { return reinterpret_cast<Handle>(kInvalid); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid(); }
    // Gives the handle up without releasing it.
    Handle release() { return std::exchange(handle_, Invalid()); }
    void reset(Handle handle = Invalid()) {
        const Handle old = std::exchange(handle_, handle);
        if (old != Invalid()) (void)(owner_->*Close)(old);
    }

  private:
    Owner* owner_;
    Handle handle_;
};

}  // namespace plat
