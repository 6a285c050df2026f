// The sanitizers' options in every program of a checked build
// (GIZMOWORKS_SANITIZE): the runtimes ask for these before reading their
// environment variables, which still override them one option at a time.
// Any report fails the program: UndefinedBehaviorSanitizer is built not to
// recover, AddressSanitizer halts on its first error, and leaks are checked
// at exit against the suppressions of the system libraries' own caches.
extern "C" {

const char* __asan_default_options() {
  return "detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1";
}

const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

const char* __lsan_default_options() { return "suppressions=" LSAN_SUPPRESSIONS; }

}  // extern "C"
