#pragma once
// Run-time loading of a plug-in library by its Windows name: "NAME.DLL" is
// the file "libname.so", looked up beside the executable (and in the lib
// folder next to it) first, then on the system search path.
#include <QString>
#include <memory>

namespace platform {

class Module {
public:
    ~Module();
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    // Null when the library cannot be loaded; the reason goes to error.
    static std::unique_ptr<Module> load(const QString &dllName, QString *error = nullptr);
    static QString fileNameFor(const QString &dllName);

    // Null when the library has no such export.
    void *symbol(const char *name) const;
    template <typename Function> Function function(const char *name) const
    {
        return reinterpret_cast<Function>(symbol(name));
    }
    const QString &path() const { return path_; }

private:
    Module(void *handle, QString path) : handle_(handle), path_(std::move(path)) {}
    void *handle_;
    QString path_;
};

} // namespace platform
