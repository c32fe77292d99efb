// LeakSanitizer settings for the unit-test binary (read only in a sanitizer build).
// The SDL 1.2 compatibility library never frees the window surface it allocates in
// SDL_SetVideoMode (a bare open-and-quit program shows the same leak), and the tests open many
// windows. Exactly that allocation is ignored; the full unwinding on malloc lets the rule see
// the SDL_SetVideoMode frame inside a library built without frame pointers.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:SDL_SetVideoMode\n";
}

extern "C" const char* __lsan_default_options() {
    return "fast_unwind_on_malloc=0";
}
