#include "ErrorBoundary.h"

#include "MessageBox.h"

#include <exception>

namespace platform {

void reportCurrentException() noexcept
{
    QString text;
    try {
        throw;
    } catch (const std::exception &error) {
        text = QString::fromUtf8(error.what());
    } catch (...) {
        text = QStringLiteral("Erreur inconnue.");
    }
    try {
        showError(text, QCoreApplication::applicationName());
    } catch (...) {
        // Nothing is left to report through: the error stays unshown rather than ending the program.
    }
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
        return false;
    }
}

} // namespace platform
