// FluidSynth's DLS loader (libinstpatch on GLib) keeps small GLib allocations for the life of
// the process; they are not ours to free. Read by LeakSanitizer in sanitizer builds only.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libinstpatch-1.0.so\n";
}
