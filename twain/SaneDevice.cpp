#include "SaneDevice.h"

#include "twainidentity.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace dsm {

namespace {

const char *const ConfigDirVariable = "SANE_CONFIG_DIR";

// The test device set up so that an A4 page fits, the default resolution is
// usable and the page shows something.
const char *const FallbackDllConf = "test\n";
const char *const FallbackTestConf = "number_of_devices 1\n"
                                     "resolution 100.0\n"
                                     "geometry_max 300.0\n"
                                     "br_x 210.0\n"
                                     "br_y 297.0\n"
                                     "test-picture \"Color pattern\"\n";

QString demonstrationFolder()
{
    if (const char *chosen = std::getenv(DemonstrationFolderVariable))
        return QFile::decodeName(chosen);
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Quillon/sane");
}

bool writeFile(const QString &path, const char *contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(contents) == qint64(std::strlen(contents));
}

} // namespace

SaneLibrary::SaneLibrary()
{
    load();
}

SaneLibrary::~SaneLibrary()
{
    unload();
    if (fallback_) {
        if (savedConfigDir_)
            setenv(ConfigDirVariable, savedConfigDir_->c_str(), 1);
        else
            unsetenv(ConfigDirVariable);
    }
}

bool SaneLibrary::load()
{
    module_ = dlopen("libsane.so.1", RTLD_NOW | RTLD_LOCAL);
    if (module_ == nullptr)
        return false;
    auto bind = [this](auto &entry, const char *name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(module_, name));
        return entry != nullptr;
    };
    const bool complete = bind(api_.init, "sane_init") && bind(api_.exit, "sane_exit")
        && bind(api_.getDevices, "sane_get_devices") && bind(api_.open, "sane_open") && bind(api_.close, "sane_close")
        && bind(api_.optionDescriptor, "sane_get_option_descriptor")
        && bind(api_.controlOption, "sane_control_option") && bind(api_.getParameters, "sane_get_parameters")
        && bind(api_.start, "sane_start") && bind(api_.read, "sane_read") && bind(api_.cancel, "sane_cancel");
    SANE_Int version = 0;
    initialised_ = complete && api_.init(&version, nullptr) == SANE_STATUS_GOOD;
    if (!initialised_)
        unload();
    return initialised_;
}

void SaneLibrary::unload()
{
    if (initialised_)
        api_.exit();
    initialised_ = false;
    if (module_)
        dlclose(module_);
    module_ = nullptr;
    api_ = SaneApi();
}

bool SaneLibrary::probe()
{
    devices_.clear();
    const SANE_Device **list = nullptr;
    if (!initialised_ || api_.getDevices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr)
        return false;
    for (const SANE_Device **device = list; *device; ++device) {
        SaneDeviceInfo info{(*device)->name ? (*device)->name : "", (*device)->vendor ? (*device)->vendor : "",
                            (*device)->model ? (*device)->model : ""};
        // Our own configuration offers the test device alone: shown for what it is to the user.
        if (fallback_)
            info = {info.name, std::string(DemonstrationManufacturer), std::string(DemonstrationModel), true};
        devices_.push_back(std::move(info));
    }
    return !devices_.empty();
}

void SaneLibrary::useFallbackConfiguration()
{
    const QString folder = demonstrationFolder();
    if (folder.isEmpty() || !QDir().mkpath(folder) || !writeFile(folder + QStringLiteral("/dll.conf"), FallbackDllConf)
        || !writeFile(folder + QStringLiteral("/test.conf"), FallbackTestConf))
        return;
    unload();
    if (const char *current = std::getenv(ConfigDirVariable))
        savedConfigDir_ = current;
    // Only this folder is searched: no trailing separator.
    setenv(ConfigDirVariable, QFile::encodeName(folder).constData(), 1);
    fallback_ = true;
    load();
}

const std::vector<SaneDeviceInfo> &SaneLibrary::devices()
{
    if (probed_)
        return devices_;
    probed_ = true;
    // Reloading SANE under an open device would pull the ground from under it.
    if (!probe() && !fallback_ && openDevices_ == 0) {
        useFallbackConfiguration();
        if (fallback_)
            probe();
    }
    return devices_;
}

std::unique_ptr<SaneDevice> SaneLibrary::open(const std::string &name, SANE_Status *status)
{
    SANE_Handle handle = nullptr;
    *status = initialised_ ? api_.open(name.c_str(), &handle) : SANE_STATUS_INVAL;
    if (*status != SANE_STATUS_GOOD || handle == nullptr) {
        if (*status == SANE_STATUS_GOOD)
            *status = SANE_STATUS_INVAL;
        return nullptr;
    }
    return std::unique_ptr<SaneDevice>(new SaneDevice(*this, handle));
}

SaneDevice::SaneDevice(SaneLibrary &library, SANE_Handle handle)
    : library_(library), api_(library.api_), handle_(handle)
{
    ++library_.openDevices_;
}

SaneDevice::~SaneDevice()
{
    api_.cancel(handle_);
    api_.close(handle_);
    --library_.openDevices_;
}

const SANE_Option_Descriptor *SaneDevice::find(const char *option, SANE_Int *index) const
{
    // Option numbers may change when the device reloads its options, so look up by name each time.
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor *descriptor = api_.optionDescriptor(handle_, i);
        if (descriptor == nullptr)
            return nullptr;
        if (descriptor->name && std::strcmp(descriptor->name, option) == 0) {
            if (index)
                *index = i;
            return descriptor;
        }
    }
}

bool SaneDevice::has(const char *option) const
{
    return find(option, nullptr) != nullptr;
}

bool SaneDevice::isActive(const char *option) const
{
    const SANE_Option_Descriptor *descriptor = find(option, nullptr);
    return descriptor && SANE_OPTION_IS_ACTIVE(descriptor->cap);
}

std::optional<double> SaneDevice::number(const char *option) const
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *descriptor = find(option, &index);
    if (!descriptor || !SANE_OPTION_IS_ACTIVE(descriptor->cap) || descriptor->size < SANE_Int(sizeof(SANE_Word)))
        return std::nullopt;
    if (descriptor->type != SANE_TYPE_INT && descriptor->type != SANE_TYPE_FIXED)
        return std::nullopt;
    std::vector<SANE_Word> words(size_t(descriptor->size) / sizeof(SANE_Word));
    if (api_.controlOption(handle_, index, SANE_ACTION_GET_VALUE, words.data(), nullptr) != SANE_STATUS_GOOD)
        return std::nullopt;
    return descriptor->type == SANE_TYPE_FIXED ? SANE_UNFIX(words[0]) : double(words[0]);
}

SANE_Status SaneDevice::setNumber(const char *option, double value, bool *inexact)
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *descriptor = find(option, &index);
    if (!descriptor || (descriptor->type != SANE_TYPE_INT && descriptor->type != SANE_TYPE_FIXED)
        || descriptor->size < SANE_Int(sizeof(SANE_Word)))
        return SANE_STATUS_UNSUPPORTED;
    if (!SANE_OPTION_IS_ACTIVE(descriptor->cap) || !SANE_OPTION_IS_SETTABLE(descriptor->cap))
        return SANE_STATUS_INVAL;
    const SANE_Word word = descriptor->type == SANE_TYPE_FIXED ? SANE_FIX(value) : SANE_Word(std::lround(value));
    // A vector option takes the value in every element (both resolutions of a device that has one option).
    std::vector<SANE_Word> words(size_t(descriptor->size) / sizeof(SANE_Word), word);
    SANE_Int info = 0;
    const SANE_Status status = api_.controlOption(handle_, index, SANE_ACTION_SET_VALUE, words.data(), &info);
    if (inexact) {
        // Rounding to the device's own step within a fraction of the value is no change worth telling.
        *inexact = false;
        if (status == SANE_STATUS_GOOD && (info & SANE_INFO_INEXACT) != 0) {
            const std::optional<double> actual = number(option);
            *inexact = !actual || std::fabs(*actual - value) > 0.005 * std::max(1.0, std::fabs(value));
        }
    }
    return status;
}

std::optional<std::string> SaneDevice::text(const char *option) const
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *descriptor = find(option, &index);
    if (!descriptor || descriptor->type != SANE_TYPE_STRING || !SANE_OPTION_IS_ACTIVE(descriptor->cap)
        || descriptor->size <= 0)
        return std::nullopt;
    std::vector<char> buffer(size_t(descriptor->size) + 1, '\0');
    if (api_.controlOption(handle_, index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) != SANE_STATUS_GOOD)
        return std::nullopt;
    return std::string(buffer.data());
}

SANE_Status SaneDevice::setText(const char *option, const std::string &value)
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *descriptor = find(option, &index);
    if (!descriptor || descriptor->type != SANE_TYPE_STRING)
        return SANE_STATUS_UNSUPPORTED;
    if (!SANE_OPTION_IS_ACTIVE(descriptor->cap) || !SANE_OPTION_IS_SETTABLE(descriptor->cap)
        || value.size() >= size_t(descriptor->size))
        return SANE_STATUS_INVAL;
    std::vector<char> buffer(size_t(descriptor->size), '\0');
    std::memcpy(buffer.data(), value.data(), value.size());
    return api_.controlOption(handle_, index, SANE_ACTION_SET_VALUE, buffer.data(), nullptr);
}

std::optional<bool> SaneDevice::flag(const char *option) const
{
    SANE_Int index = 0;
    const SANE_Option_Descriptor *descriptor = find(option, &index);
    if (!descriptor || descriptor->type != SANE_TYPE_BOOL || !SANE_OPTION_IS_ACTIVE(descriptor->cap))
        return std::nullopt;
    SANE_Bool value = SANE_FALSE;
    if (api_.controlOption(handle_, index, SANE_ACTION_GET_VALUE, &value, nullptr) != SANE_STATUS_GOOD)
        return std::nullopt;
    return value == SANE_TRUE;
}

std::vector<std::string> SaneDevice::choices(const char *option) const
{
    std::vector<std::string> result;
    const SANE_Option_Descriptor *descriptor = find(option, nullptr);
    if (!descriptor || descriptor->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return result;
    for (const SANE_String_Const *entry = descriptor->constraint.string_list; entry && *entry; ++entry)
        result.emplace_back(*entry);
    return result;
}

std::optional<SaneRange> SaneDevice::range(const char *option) const
{
    const SANE_Option_Descriptor *descriptor = find(option, nullptr);
    if (!descriptor || (descriptor->type != SANE_TYPE_INT && descriptor->type != SANE_TYPE_FIXED))
        return std::nullopt;
    const bool fixed = descriptor->type == SANE_TYPE_FIXED;
    auto toReal = [fixed](SANE_Word word) { return fixed ? SANE_UNFIX(word) : double(word); };
    if (descriptor->constraint_type == SANE_CONSTRAINT_RANGE && descriptor->constraint.range) {
        const SANE_Range *range = descriptor->constraint.range;
        return SaneRange{toReal(range->min), toReal(range->max), range->quant ? toReal(range->quant) : 0.0};
    }
    if (descriptor->constraint_type == SANE_CONSTRAINT_WORD_LIST && descriptor->constraint.word_list
        && descriptor->constraint.word_list[0] > 0) {
        const SANE_Word *list = descriptor->constraint.word_list;
        SaneRange range{toReal(list[1]), toReal(list[1]), 0.0};
        for (SANE_Word i = 2; i <= list[0]; ++i) {
            range.min = std::min(range.min, toReal(list[i]));
            range.max = std::max(range.max, toReal(list[i]));
        }
        return range;
    }
    return std::nullopt;
}

SANE_Unit SaneDevice::unit(const char *option) const
{
    const SANE_Option_Descriptor *descriptor = find(option, nullptr);
    return descriptor ? descriptor->unit : SANE_UNIT_NONE;
}

SANE_Status SaneDevice::start()
{
    return api_.start(handle_);
}

SANE_Status SaneDevice::parameters(SANE_Parameters *parameters)
{
    return api_.getParameters(handle_, parameters);
}

SANE_Status SaneDevice::readRows(const SANE_Parameters &parameters,
                                 const std::function<void(const unsigned char *)> &row)
{
    if (parameters.bytes_per_line <= 0)
        return SANE_STATUS_INVAL;
    const size_t rowBytes = size_t(parameters.bytes_per_line);
    // Room for whole rows; the start of an unfinished row waits at the front for the rest.
    std::vector<unsigned char> buffer(std::max<size_t>(256 * 1024, 2 * rowBytes));
    size_t filled = 0;
    for (;;) {
        SANE_Int length = 0;
        const size_t room = std::min<size_t>(buffer.size() - filled, INT32_MAX);
        const SANE_Status status = api_.read(handle_, buffer.data() + filled, SANE_Int(room), &length);
        if (status == SANE_STATUS_EOF)
            return SANE_STATUS_GOOD;
        if (status != SANE_STATUS_GOOD)
            return status;
        filled += size_t(std::max<SANE_Int>(length, 0));
        size_t offset = 0;
        for (; filled - offset >= rowBytes; offset += rowBytes)
            row(buffer.data() + offset);
        std::memmove(buffer.data(), buffer.data() + offset, filled - offset);
        filled -= offset;
    }
}

void SaneDevice::cancel()
{
    api_.cancel(handle_);
}

} // namespace dsm
