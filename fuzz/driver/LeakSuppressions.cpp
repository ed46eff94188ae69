// The leak reports every fuzz target leaves out, built into the target so
// that libFuzzer's leak check after each input and the replay's check at exit
// use them without options: fontconfig keeps its configuration and font
// cache for the life of the process, which the first input that sets text
// loads. Only that library is named, so leaks of our own code (the engine,
// the controls, the platform layer) are still reported.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
