// Defaults of the sanitizer runtimes for every instrumented program, so that a run by hand
// behaves as one under CTest; ASAN_OPTIONS and UBSAN_OPTIONS still override them.
extern "C" const char* __asan_default_options();
extern "C" const char* __ubsan_default_options();

extern "C" __attribute__((no_sanitize("address", "undefined"))) const char* __asan_default_options() {
    return "strict_string_checks=1";
}
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
