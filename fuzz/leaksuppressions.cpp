// Leak-checker suppressions linked into every fuzz target: fontconfig keeps blocks of its parsed
// configuration that it never frees, and libemf2svg loses a few bytes per conversion. Both are
// inside those libraries, and reporting them would stop every run at its first input.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libemf2svg.so\n";
}
