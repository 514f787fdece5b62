// Thread stack bounds from pthreads; for the main thread they follow the stack limit.
#include "platform/stack.h"

#include <pthread.h>

uintptr_t SysStackLowest(void) {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
    void* low = nullptr;
    size_t size = 0;
    int rc = pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
    return rc == 0 ? (uintptr_t)low : 0;
}
