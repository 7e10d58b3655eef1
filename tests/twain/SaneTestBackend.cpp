// SANE's test backend loses its read buffer when a read fails on purpose
// (read-status-code), which these tests do; the leak checker is told so by
// the library's name.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libsane-test.so\n";
}
