// SANE's test backend with its failing reads made safe for a test run.
//
// Built as libsane-test.so.1 in a folder of its own that the tests put first
// on LD_LIBRARY_PATH, where SANE's dll backend looks before its own folder.
// Every call goes to the real test backend, except a scan that test.conf asks
// to fail (read-status-code): the real backend starts a reader thread and,
// when the scan is cancelled, cancels that thread asynchronously.  Caught in
// an allocation or in gettext, the thread dies holding the C library's locks
// and the program under test hangs at its next allocation or at exit.  Here
// such a scan starts no thread: sane_start succeeds, sane_read gives the
// status asked for, sane_cancel ends it.
#include <sane/sane.h>

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace {

struct RealBackend {
    RealBackend()
    {
        module = dlopen(SANE_TEST_BACKEND_PATH, RTLD_NOW | RTLD_LOCAL);
    }
    template <typename Function>
    Function entry(const char *name) const
    {
        return reinterpret_cast<Function>(module ? dlsym(module, name) : nullptr);
    }
    void *module = nullptr;
};

const RealBackend &real()
{
    static const RealBackend backend;
    return backend;
}

template <typename Function, typename... Arguments>
SANE_Status forward(const char *name, Arguments... arguments)
{
    const auto function = real().entry<Function>(name);
    return function ? function(arguments...) : SANE_STATUS_UNSUPPORTED;
}

// The status test.conf's last read-status-code line asks for, GOOD when none.
SANE_Status requestedFailure()
{
    const char *folder = std::getenv("SANE_CONFIG_DIR");
    if (folder == nullptr)
        return SANE_STATUS_GOOD;
    static const std::pair<const char *, SANE_Status> statuses[] = {
        {"SANE_STATUS_UNSUPPORTED", SANE_STATUS_UNSUPPORTED}, {"SANE_STATUS_CANCELLED", SANE_STATUS_CANCELLED},
        {"SANE_STATUS_DEVICE_BUSY", SANE_STATUS_DEVICE_BUSY}, {"SANE_STATUS_INVAL", SANE_STATUS_INVAL},
        {"SANE_STATUS_EOF", SANE_STATUS_EOF},                 {"SANE_STATUS_JAMMED", SANE_STATUS_JAMMED},
        {"SANE_STATUS_NO_DOCS", SANE_STATUS_NO_DOCS},         {"SANE_STATUS_COVER_OPEN", SANE_STATUS_COVER_OPEN},
        {"SANE_STATUS_IO_ERROR", SANE_STATUS_IO_ERROR},       {"SANE_STATUS_NO_MEM", SANE_STATUS_NO_MEM},
        {"SANE_STATUS_ACCESS_DENIED", SANE_STATUS_ACCESS_DENIED}};
    std::ifstream conf(std::string(folder) + "/test.conf");
    SANE_Status asked = SANE_STATUS_GOOD;
    for (std::string line; std::getline(conf, line);) {
        if (line.rfind("read-status-code", 0) != 0)
            continue;
        asked = SANE_STATUS_GOOD;
        for (const auto &[name, status] : statuses)
            if (line.find(name) != std::string::npos)
                asked = status;
    }
    return asked;
}

// The scans started here to fail, by handle, with the status they fail with.
class FailingScans {
public:
    void begin(SANE_Handle handle, SANE_Status status)
    {
        const std::lock_guard lock(mutex_);
        scans_[handle] = status;
    }
    std::optional<SANE_Status> failure(SANE_Handle handle)
    {
        const std::lock_guard lock(mutex_);
        const auto scan = scans_.find(handle);
        return scan == scans_.end() ? std::nullopt : std::optional(scan->second);
    }
    bool end(SANE_Handle handle)
    {
        const std::lock_guard lock(mutex_);
        return scans_.erase(handle) > 0;
    }

private:
    std::mutex mutex_;
    std::map<SANE_Handle, SANE_Status> scans_;
};

FailingScans &failingScans()
{
    static FailingScans scans;
    return scans;
}

} // namespace

extern "C" {

SANE_Status sane_test_init(SANE_Int *version, SANE_Auth_Callback authorize)
{
    return forward<decltype(&sane_test_init)>("sane_test_init", version, authorize);
}

void sane_test_exit()
{
    if (const auto function = real().entry<void (*)()>("sane_test_exit"))
        function();
}

SANE_Status sane_test_get_devices(const SANE_Device ***devices, SANE_Bool localOnly)
{
    return forward<decltype(&sane_test_get_devices)>("sane_test_get_devices", devices, localOnly);
}

SANE_Status sane_test_open(SANE_String_Const name, SANE_Handle *handle)
{
    return forward<decltype(&sane_test_open)>("sane_test_open", name, handle);
}

void sane_test_close(SANE_Handle handle)
{
    failingScans().end(handle);
    if (const auto function = real().entry<void (*)(SANE_Handle)>("sane_test_close"))
        function(handle);
}

const SANE_Option_Descriptor *sane_test_get_option_descriptor(SANE_Handle handle, SANE_Int option)
{
    const auto function = real().entry<decltype(&sane_test_get_option_descriptor)>("sane_test_get_option_descriptor");
    return function ? function(handle, option) : nullptr;
}

SANE_Status sane_test_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void *value,
                                     SANE_Int *info)
{
    return forward<decltype(&sane_test_control_option)>("sane_test_control_option", handle, option, action, value,
                                                         info);
}

SANE_Status sane_test_get_parameters(SANE_Handle handle, SANE_Parameters *parameters)
{
    return forward<decltype(&sane_test_get_parameters)>("sane_test_get_parameters", handle, parameters);
}

SANE_Status sane_test_start(SANE_Handle handle)
{
    const SANE_Status failure = requestedFailure();
    if (failure == SANE_STATUS_GOOD)
        return forward<decltype(&sane_test_start)>("sane_test_start", handle);
    failingScans().begin(handle, failure);
    return SANE_STATUS_GOOD;
}

SANE_Status sane_test_read(SANE_Handle handle, SANE_Byte *data, SANE_Int maxLength, SANE_Int *length)
{
    const std::optional<SANE_Status> failure = failingScans().failure(handle);
    if (!failure)
        return forward<decltype(&sane_test_read)>("sane_test_read", handle, data, maxLength, length);
    if (length)
        *length = 0;
    return *failure;
}

void sane_test_cancel(SANE_Handle handle)
{
    if (failingScans().end(handle))
        return;
    if (const auto function = real().entry<void (*)(SANE_Handle)>("sane_test_cancel"))
        function(handle);
}

SANE_Status sane_test_set_io_mode(SANE_Handle handle, SANE_Bool nonBlocking)
{
    if (failingScans().failure(handle))
        return SANE_STATUS_UNSUPPORTED;
    return forward<decltype(&sane_test_set_io_mode)>("sane_test_set_io_mode", handle, nonBlocking);
}

SANE_Status sane_test_get_select_fd(SANE_Handle handle, SANE_Int *fd)
{
    if (failingScans().failure(handle))
        return SANE_STATUS_UNSUPPORTED;
    return forward<decltype(&sane_test_get_select_fd)>("sane_test_get_select_fd", handle, fd);
}

} // extern "C"
