#include <pthread.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/stack.hpp"

namespace quoll {

namespace {

void* runWork(void* argument) {
    (*static_cast<const std::function<void()>*>(argument))();
    return nullptr;
}

}  // namespace

StackRun runWithMeasuredStack(std::size_t stackBytes, const std::function<void()>& work) {
    StackRun run;
    std::unique_ptr<unsigned char[]> stack(new unsigned char[stackBytes + 4096]);
    // pthread wants an aligned base.
    auto base = reinterpret_cast<std::uintptr_t>(stack.get());
    auto* aligned = reinterpret_cast<unsigned char*>((base + 4095) & ~std::uintptr_t{4095});
    std::memset(aligned, kStackPaint, stackBytes);

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstack(&attributes, aligned, stackBytes);
    pthread_t thread;
    auto* argument = const_cast<std::function<void()>*>(&work);
    run.started = pthread_create(&thread, &attributes, runWork, argument) == 0;
    pthread_attr_destroy(&attributes);
    if (!run.started) return run;
    pthread_join(thread, nullptr);

    run.bytesUsed = stackBytes - untouchedPaint(aligned, stackBytes);
    return run;
}

}  // namespace quoll
