#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {

// The real boxes, shown modally over the active window.
class WidgetMessageService : public MessageService {
public:
    MessageAnswer show(const MessageRequest &request) override
    {
        QMessageBox box(iconFor(request.kind), titleFor(request), request.text, buttonsFor(request.buttons),
                        QApplication::activeWindow());
        switch (box.exec()) {
        case QMessageBox::Cancel: return MessageAnswer::Cancel;
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        default: return MessageAnswer::Ok;
        }
    }

private:
    static QMessageBox::Icon iconFor(MessageKind kind)
    {
        switch (kind) {
        case MessageKind::Error: return QMessageBox::Critical;
        case MessageKind::Warning: return QMessageBox::Warning;
        case MessageKind::Question: return QMessageBox::Question;
        case MessageKind::Information: break;
        }
        return QMessageBox::Information;
    }
    static QString titleFor(const MessageRequest &request)
    {
        return request.title.isEmpty() ? QApplication::applicationName() : request.title;
    }
    static QMessageBox::StandardButtons buttonsFor(MessageButtons buttons)
    {
        switch (buttons) {
        case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok: break;
        }
        return QMessageBox::Ok;
    }
};

WidgetMessageService widgetService;
MessageService *currentService = &widgetService;

} // namespace

ScopedMessageService::ScopedMessageService(MessageService *service) : previous_(currentService)
{
    currentService = service;
}

ScopedMessageService::~ScopedMessageService()
{
    currentService = previous_;
}

MessageAnswer MessageRecorder::show(const MessageRequest &request)
{
    requests_.push_back(request);
    if (!answers_.empty()) {
        MessageAnswer answer = answers_.front();
        answers_.erase(answers_.begin());
        return answer;
    }
    return defaultAnswer_;
}

QStringList MessageRecorder::texts() const
{
    QStringList result;
    for (const MessageRequest &request : requests_)
        result << request.text;
    return result;
}

MessageAnswer showMessage(const MessageRequest &request)
{
    return currentService->show(request);
}

void showError(const QString &text, const QString &title)
{
    showMessage({MessageKind::Error, MessageButtons::Ok, title, text});
}

void showInformation(const QString &text, const QString &title)
{
    showMessage({MessageKind::Information, MessageButtons::Ok, title, text});
}

void showWarning(const QString &text, const QString &title)
{
    showMessage({MessageKind::Warning, MessageButtons::Ok, title, text});
}

bool askYesNo(const QString &text, const QString &title)
{
    return showMessage({MessageKind::Question, MessageButtons::YesNo, title, text}) == MessageAnswer::Yes;
}

} // namespace platform
