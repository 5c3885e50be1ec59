// Sanitizer suppressions of this test program.
//
// Leaks: fontconfig loses blocks while it parses its configuration and while it prepares matched
// patterns (also inside the SVG renderer's own font maps), and libemf2svg loses a few bytes per
// conversion; both are inside those libraries.
//
// Races: GLib's mutexes and conditions are futexes that ThreadSanitizer does not see, so memory
// handed between threads under them looks unsynchronized: Pango's fontconfig worker threads
// ("[pango] FcInit", "[pango] FcFontSetMatch") and its shared shaping buffer. The libraries are not
// instrumented, so only the string and memory calls they make are reported; those are ignored.
// Our own code stays instrumented and checked.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libemf2svg.so\n";
}

extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
  return "called_from_lib:libglib-2.0.so\n"
         "called_from_lib:libfontconfig.so\n"
         "called_from_lib:libharfbuzz.so\n"
         "called_from_lib:libpango-1.0.so\n"
         "called_from_lib:libpangoft2-1.0.so\n";
}
