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
//
// A test.conf line "#duplex-source" (a comment to the real backend) adds a
// duplex feeder to the device: a source "Automatic Document Feeder Duplex"
// that scans as the real feeder does.  Each scan writes the source it used
// to "source-used" beside test.conf, so that a test can see what was asked.
#include <sane/sane.h>

#include <dlfcn.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

std::string configFile(const char *name)
{
    const char *folder = std::getenv("SANE_CONFIG_DIR");
    return folder ? std::string(folder) + "/" + name : std::string();
}

bool duplexOffered()
{
    std::ifstream conf(configFile("test.conf"));
    for (std::string line; std::getline(conf, line);)
        if (line.rfind("#duplex-source", 0) == 0)
            return true;
    return false;
}

constexpr const char *Feeder = "Automatic Document Feeder";
constexpr const char *Duplex = "Automatic Document Feeder Duplex";

// The "source" option with the duplex feeder added to its choices, and which
// devices have chosen it (the real backend then scans from its feeder).
class DuplexSource {
public:
    bool isSource(SANE_Handle handle, SANE_Int option, const SANE_Option_Descriptor *descriptor)
    {
        if (descriptor == nullptr || descriptor->name == nullptr || std::strcmp(descriptor->name, "source") != 0)
            return false;
        const std::lock_guard lock(mutex_);
        sourceOption_[handle] = option;
        return true;
    }
    bool isSourceOption(SANE_Handle handle, SANE_Int option)
    {
        const std::lock_guard lock(mutex_);
        const auto found = sourceOption_.find(handle);
        return found != sourceOption_.end() && found->second == option;
    }
    const SANE_Option_Descriptor *widened(const SANE_Option_Descriptor *real)
    {
        const std::lock_guard lock(mutex_);
        if (choices_.empty()) {
            for (const SANE_String_Const *choice = real->constraint.string_list; *choice != nullptr; ++choice)
                choices_.push_back(*choice);
            choices_.push_back(Duplex);
            choices_.push_back(nullptr);
            descriptor_ = *real;
            descriptor_.constraint.string_list = choices_.data();
            descriptor_.size = std::max<SANE_Int>(real->size, SANE_Int(std::strlen(Duplex) + 1));
        }
        return &descriptor_;
    }
    void choose(SANE_Handle handle, bool duplex)
    {
        const std::lock_guard lock(mutex_);
        duplex_[handle] = duplex;
    }
    bool chosen(SANE_Handle handle)
    {
        const std::lock_guard lock(mutex_);
        const auto found = duplex_.find(handle);
        return found != duplex_.end() && found->second;
    }

private:
    std::mutex mutex_;
    std::map<SANE_Handle, SANE_Int> sourceOption_;
    std::map<SANE_Handle, bool> duplex_;
    std::vector<SANE_String_Const> choices_;
    SANE_Option_Descriptor descriptor_{};
};

DuplexSource &duplexSource()
{
    static DuplexSource source;
    return source;
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
    const SANE_Option_Descriptor *descriptor = function ? function(handle, option) : nullptr;
    if (!duplexOffered() || !duplexSource().isSource(handle, option, descriptor)
        || descriptor->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return descriptor;
    return duplexSource().widened(descriptor);
}

SANE_Status sane_test_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void *value,
                                     SANE_Int *info)
{
    using Control = decltype(&sane_test_control_option);
    if (duplexOffered() && duplexSource().isSourceOption(handle, option) && value != nullptr) {
        if (action == SANE_ACTION_SET_VALUE) {
            const bool duplex = std::strcmp(static_cast<const char *>(value), Duplex) == 0;
            duplexSource().choose(handle, duplex);
            char feeder[64];
            std::strcpy(feeder, Feeder);
            return forward<Control>("sane_test_control_option", handle, option, action,
                                    duplex ? static_cast<void *>(feeder) : value, info);
        }
        if (action == SANE_ACTION_GET_VALUE && duplexSource().chosen(handle)) {
            std::strcpy(static_cast<char *>(value), Duplex);
            return SANE_STATUS_GOOD;
        }
    }
    return forward<Control>("sane_test_control_option", handle, option, action, value, info);
}

SANE_Status sane_test_get_parameters(SANE_Handle handle, SANE_Parameters *parameters)
{
    return forward<decltype(&sane_test_get_parameters)>("sane_test_get_parameters", handle, parameters);
}

SANE_Status sane_test_start(SANE_Handle handle)
{
    if (duplexOffered()) {
        std::ofstream used(configFile("source-used"), std::ios::app);
        used << (duplexSource().chosen(handle) ? Duplex : "another source") << '\n';
    }
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
