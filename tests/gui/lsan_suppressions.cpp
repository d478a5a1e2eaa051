// Leaks that LeakSanitizer finds outside our code when Qt renders text: fontconfig keeps its
// caches for the life of the process on purpose.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
