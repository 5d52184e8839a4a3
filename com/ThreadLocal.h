// Per-thread state of the component: one facility for every module that keeps some.
//
// The host calls the component on its apartment thread, and two apartments must not see each
// other's state, so module-wide state is thread_local. Such state must run no code when its
// thread ends, for two reasons:
//   * the toolchain's emulated thread-local storage frees a thread's block before the
//     destructors registered for that thread run, so a destructor reads freed memory, at every
//     end of a host thread;
//   * by then the thread has left COM, and the module behind a held object may be unloaded (the
//     host's own DLL at PowerPoint's exit), so a Release at thread end can call unmapped code.
// So what the state owns is given up, not released, when the thread ends: a reference, or a
// small block made once per thread. A thread_local of a trivially destructible type also leaves
// nothing for the runtime to register at all.
//
// ThreadState<T> is the state itself (T must be trivially destructible: plain values, raw
// pointers, ThreadRef); ThreadRef<I> is one COM reference held for the rest of the thread.
//
// The DLL may be unloaded before a thread that used it ends, and a reference given up then is
// never given back. So every reference a ThreadRef holds is counted, per thread and over all
// threads: the server stays loaded while any is held (DllCanUnloadNow), the holding thread gives
// its own back at a safe point, and a thread's count stops counting when the thread ends.
#pragma once

#include <windows.h>

#include <type_traits>

namespace qv {

// References held by ThreadRefs, over every thread / on the calling thread.
LONG ThreadRefsHeld() noexcept;
LONG ThreadRefsHeldHere() noexcept;
// The calling thread is ending (DLL_THREAD_DETACH): its references are given up and no longer
// count. Touches no thread_local data and calls no object, so it is safe under the loader lock.
void GiveUpThreadRefs() noexcept;

namespace detail {
void ThreadRefTaken() noexcept;
void ThreadRefDropped() noexcept;
}  // namespace detail

template <class T>
struct ThreadState : T {
    static_assert(std::is_trivially_destructible_v<T>, "per-thread state may run no code at thread end");
};

template <class I>
class ThreadRef {
public:
    constexpr ThreadRef() = default;
    // A copy would hold the reference twice with one count.
    ThreadRef(const ThreadRef&) = delete;
    ThreadRef& operator=(const ThreadRef&) = delete;

    // Holds p (a new reference) and releases what was held, while the thread is still alive.
    void set(I* p) {
        if (p) p->AddRef();
        Adopt(p);
    }
    // Takes over a reference the caller owns.
    void Adopt(I* p) {
        I* old = p_;
        p_ = p;
        if (p && !old) detail::ThreadRefTaken();
        if (old && !p) detail::ThreadRefDropped();
        if (old) old->Release();
    }
    template <class Ptr>
    ThreadRef& operator=(const Ptr& p) {
        set(p.get());
        return *this;
    }
    void reset() { Adopt(nullptr); }
    I* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    I* p_ = nullptr;
};

static_assert(std::is_trivially_destructible_v<ThreadRef<struct IUnknown>>);

}  // namespace qv
