// Leak-checker suppressions of this test program, which runs the whole information call:
// fontconfig keeps blocks of its parsed configuration and of matched patterns that it never
// frees, and libemf2svg loses a few bytes per conversion. Both are inside those libraries.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libemf2svg.so\n";
}
