#pragma once
// Every message box of the program goes through here, so that tests and the
// automation channel can read the texts and answer without a person.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

namespace platform {

enum class MessageKind { Error, Warning, Information, Question };

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };

enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    MessageKind kind = MessageKind::Information;
    MessageButtons buttons = MessageButtons::Ok;
    QString title;
    QString text;
};

// Who shows a box and picks the answer.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MessageAnswer show(const MessageRequest &request) = 0;
};

// Replaces the service for its lifetime (tests, automation); nests.
class ScopedMessageService {
public:
    explicit ScopedMessageService(MessageService *service);
    ~ScopedMessageService();
    ScopedMessageService(const ScopedMessageService &) = delete;
    ScopedMessageService &operator=(const ScopedMessageService &) = delete;
private:
    MessageService *previous_;
};

// Records every request and answers from a queue, then with a default.
class MessageRecorder : public MessageService {
public:
    MessageAnswer show(const MessageRequest &request) override;
    void queueAnswer(MessageAnswer answer) { answers_.push_back(answer); }
    void setDefaultAnswer(MessageAnswer answer) { defaultAnswer_ = answer; }
    const std::vector<MessageRequest> &requests() const { return requests_; }
    QStringList texts() const;
    void clear() { requests_.clear(); }
private:
    std::vector<MessageRequest> requests_;
    std::vector<MessageAnswer> answers_;
    MessageAnswer defaultAnswer_ = MessageAnswer::Ok;
};

MessageAnswer showMessage(const MessageRequest &request);
void showError(const QString &text, const QString &title = {});
void showInformation(const QString &text, const QString &title = {});
void showWarning(const QString &text, const QString &title = {});
bool askYesNo(const QString &text, const QString &title = {});

} // namespace platform
