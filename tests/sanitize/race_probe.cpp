// Two threads add to one counter with no lock: the race detector configuration must
// report it, so that its silence on the real tests means something.
#include <pthread.h>
#include <stdio.h>

namespace {
volatile int counter = 0;

void* addMany(void*) {
    for (int i = 0; i < 1000; i++) counter = counter + 1;
    return nullptr;
}
}  // namespace

int main() {
    pthread_t a, b;
    pthread_create(&a, nullptr, addMany, nullptr);
    pthread_create(&b, nullptr, addMany, nullptr);
    pthread_join(a, nullptr);
    pthread_join(b, nullptr);
    printf("counter %d\n", counter);
    return 0;
}
