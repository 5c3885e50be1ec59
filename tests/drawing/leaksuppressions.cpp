// Leak-checker suppressions of this test program. fontconfig loses blocks while it parses its
// configuration and while it prepares matched patterns (also inside the SVG renderer's own font
// maps), and libemf2svg loses a few bytes per conversion; both are inside those libraries.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libemf2svg.so\n";
}
