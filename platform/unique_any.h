// A move-only owner of one handle that releases it through a caller-chosen closer,
// in the manner of wil's unique_any.
#pragma once

#include <utility>

namespace plat {

template <typename Handle, typename Closer>
class UniqueAny {
  public:
    UniqueAny(Handle handle, Closer closer) : handle_(handle), closer_(std::move(closer)) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept
        : handle_(std::exchange(other.handle_, Handle{})), closer_(std::move(other.closer_)) {}
    ~UniqueAny() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void reset() {
        if (handle_ != Handle{}) closer_(std::exchange(handle_, Handle{}));
    }

  private:
    Handle handle_;
    Closer closer_;
};

template <typename Handle, typename Closer>
UniqueAny<Handle, Closer> MakeUnique(Handle handle, Closer closer) {
    return UniqueAny<Handle, Closer>(handle, std::move(closer));
}

}  // namespace plat
