// Under LeakSanitizer: fontconfig keeps its caches until process exit (Qt never
// calls FcFini), which the leak checker reports. Those blocks are the
// library's, not the window's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
