#pragma once
// Owns one Core Foundation reference and releases it once. A reference from a
// Create or Copy call is adopted as it is; one from a Get call is retained
// first (`retained`), so every holder releases exactly what it owns.

#include <CoreFoundation/CoreFoundation.h>

#include <utility>

namespace macos {

template <typename Ref>
class CfRef {
public:
    CfRef() = default;
    // Adopts a reference the caller owns (Create/Copy rule); null is allowed.
    explicit CfRef(Ref ref) : ref_(ref) {}
    // Shares a reference the caller does not own (Get rule).
    static CfRef retained(Ref ref) {
        if (ref) CFRetain(ref);
        return CfRef(ref);
    }

    CfRef(const CfRef&) = delete;
    CfRef& operator=(const CfRef&) = delete;
    CfRef(CfRef&& other) noexcept : ref_(std::exchange(other.ref_, nullptr)) {}
    CfRef& operator=(CfRef&& other) noexcept {
        if (this != &other) {
            reset();
            ref_ = std::exchange(other.ref_, nullptr);
        }
        return *this;
    }
    ~CfRef() { reset(); }

    Ref get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }

    // For a Copy call's out parameter: whatever was held is released first.
    Ref* out() {
        reset();
        return &ref_;
    }

    void reset() {
        if (ref_) CFRelease(ref_);
        ref_ = nullptr;
    }

private:
    Ref ref_ = nullptr;
};

}  // namespace macos
