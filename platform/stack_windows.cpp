#include <windows.h>

#include "platform/stack.hpp"

namespace quoll {

namespace {

// Left unpainted at the low end, where the reservation's last guard pages lie.
constexpr ULONG_PTR kUnpaintedTail = 64 * 1024;
// Below this frame, kept clear for the calls this function makes itself.
constexpr ULONG_PTR kFrameMargin = 4096;

struct ThreadWork {
    const std::function<void()>* work;
    std::size_t bytesUsed;
};

DWORD WINAPI runWork(void* argument) {
    auto* thread = static_cast<ThreadWork*>(argument);
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    volatile unsigned char here = 0;
    const ULONG_PTR hereAddress = reinterpret_cast<ULONG_PTR>(&here);
    auto* const floor = reinterpret_cast<volatile unsigned char*>(low + kUnpaintedTail);
    auto* const top = reinterpret_cast<volatile unsigned char*>(hereAddress - kFrameMargin);
    // Downwards, one byte after another: Windows commits the stack page by page as each guard
    // page below the committed part is touched. No call is made while painting.
    for (volatile unsigned char* byte = top; byte >= floor; --byte) *byte = kStackPaint;

    (*thread->work)();

    const std::size_t painted = static_cast<std::size_t>(top - floor) + 1;
    const ULONG_PTR deepest = low + kUnpaintedTail + untouchedPaint(floor, painted);
    thread->bytesUsed = static_cast<std::size_t>(high - deepest);
    return 0;
}

}  // namespace

StackRun runWithMeasuredStack(std::size_t stackBytes, const std::function<void()>& work) {
    StackRun run;
    ThreadWork thread{&work, 0};
    HANDLE handle = CreateThread(nullptr, stackBytes, runWork, &thread,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    run.started = handle != nullptr;
    if (!run.started) return run;
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
    run.bytesUsed = thread.bytesUsed;
    return run;
}

}  // namespace quoll
