// Sanitizer settings built into every test program, so they hold however the test
// is started (ctest, by hand, under a debugger).
extern "C" {

const char* __lsan_default_options()
{
    return "suppressions=" SABLEWICK_LSAN_SUPPRESSIONS ":print_suppressions=0";
}

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

} // extern "C"
