#include "Modal.h"

#include <QDialog>

namespace platform {

namespace {
ModalRunner &currentRunner()
{
    static ModalRunner runner;
    return runner;
}
} // namespace

int execModal(QDialog &dialog)
{
    if (currentRunner())
        return currentRunner()(dialog);
    return dialog.exec();
}

ScopedModalRunner::ScopedModalRunner(ModalRunner runner) : previous_(std::move(currentRunner()))
{
    currentRunner() = std::move(runner);
}

ScopedModalRunner::~ScopedModalRunner()
{
    currentRunner() = std::move(previous_);
}

} // namespace platform
