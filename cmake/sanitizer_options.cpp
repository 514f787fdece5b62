// Defaults of the sanitizer runtimes for every instrumented program, so that a run by hand
// behaves as one under CTest; ASAN_OPTIONS and UBSAN_OPTIONS still override them.
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

extern "C" const char* __asan_default_options();
extern "C" const char* __ubsan_default_options();

// A 32-bit program on a 64-bit kernel sees the kernel's own machine name. Any other name
// means QEMU's user-mode emulator (tools/install-deps sets it up where the kernel runs no
// 32-bit code), which has no ptrace: the leak checker's stop of the world would hang every
// program at its exit. This runs before the runtime is set up: no instrumented stack
// frame, no intercepted library call.
extern "C" __attribute__((no_sanitize("address", "undefined"))) const char* __asan_default_options() {
    static const char native[] = "x86_64";
    struct utsname name;
    if (syscall(SYS_uname, &name) == 0) {
        for (unsigned i = 0; i < sizeof native; i++) {
            if (name.machine[i] != native[i]) return "strict_string_checks=1:detect_leaks=0";
        }
    }
    return "strict_string_checks=1";
}
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
