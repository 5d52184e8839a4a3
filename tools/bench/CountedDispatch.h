// The reference count of the benchmark's own IDispatch objects, which live on the one thread that
// drives them: deleted at the last Release, as the Self that derives from it.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace bench {

template <class Self>
class CountedDispatch : public IDispatch {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0) delete static_cast<Self*>(this);
        return n;
    }

private:
    ULONG refs_ = 1;
};

}  // namespace bench
