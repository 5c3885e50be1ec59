// Sanitizer suppressions of this test program.
//
// Leaks: fontconfig loses blocks while it parses its configuration and while it prepares matched
// patterns (also inside the SVG renderer's own font maps), and libemf2svg loses a few bytes per
// conversion; both are inside those libraries.
//
// Races: GLib's mutexes and conditions are futexes that ThreadSanitizer does not see, so memory
// handed between threads under them looks unsynchronized: Pango's fontconfig worker threads
// ("[pango] FcInit", "[pango] FcFontSetMatch") and its shared shaping buffer. Those libraries are
// not instrumented; the string, memory and lock calls they make are left out, and our own code
// stays checked.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libemf2svg.so\n";
}

extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_options() {
  return "ignore_noninstrumented_modules=1";
}
