// fontconfig keeps its configuration for the life of the process and frees
// part of it only on an explicit FcFini, which pango never calls; the leak
// checker is told to pass over it (used only in sanitizer builds).
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
