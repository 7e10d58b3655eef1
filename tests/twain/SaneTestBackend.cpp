// SANE's test backend loses its reader's buffer when the reader is cancelled
// in the middle of a page (a stopped scan, the feeder's last sheet), which
// these tests do; the leak checker is told so by the library's name.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libsane-test.so\n";
}
