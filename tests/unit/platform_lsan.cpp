// SPDX-License-Identifier: MIT
// LeakSanitizer settings for the unit-test binary (read only in a sanitizer build). SDL2 frees
// what the tests' windows allocate, so no leak is suppressed; the full unwinding on malloc gives
// readable stacks for allocations made inside SDL, which is built without frame pointers.
extern "C" const char* __lsan_default_options() {
    return "fast_unwind_on_malloc=0";
}
