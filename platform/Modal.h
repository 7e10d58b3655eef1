#pragma once
// Modal showing goes through one hook, so that a test or the automation
// channel can answer a dialog without running its event loop.
#include <functional>

class QDialog;

namespace platform {

// Returns the dialog's result code.  The default runs QDialog::exec().
using ModalRunner = std::function<int(QDialog &)>;

int execModal(QDialog &dialog);

class ScopedModalRunner {
public:
    explicit ScopedModalRunner(ModalRunner runner);
    ~ScopedModalRunner();
    ScopedModalRunner(const ScopedModalRunner &) = delete;
    ScopedModalRunner &operator=(const ScopedModalRunner &) = delete;
private:
    ModalRunner previous_;
};

} // namespace platform
