// For the tests that play through libpulse. It hands data between its threads through its own
// lock-free channel, which ThreadSanitizer cannot see from an uninstrumented library, and keeps
// an allocation for the whole process; only that library is excused.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libpulsecommon\n";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpulse.so\n";
}
