#pragma once
// The automation channel: one JSON command per line on standard input, one
// JSON answer per line on standard output, in order.  It drives the program
// through Qt's object tree and meta-object system: objects are found by
// their object names, handlers are invoked by their names, and controls are
// acted on as a user would (clicks, scrolls, typing, mouse drags).  Message
// boxes are answered by the channel and their texts kept for reading.
#include "MessageBox.h"
#include "Modal.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

class QSocketNotifier;
class QWidget;

class AutomationChannel : public QObject {
    Q_OBJECT
public:
    // Reads from the given file descriptor and writes answers to the given stream.
    AutomationChannel(int inputFd, FILE *output, QObject *parent = nullptr);
    ~AutomationChannel() override;

    // One command in, its answer out (also used by the tests).
    QJsonObject execute(const QByteArray &line);

private:
    void readInput();
    void answer(const QJsonObject &reply);
    QJsonObject run(const QJsonObject &command);
    struct Command;
    static const std::vector<Command> &commands();

    int inputFd_;
    FILE *output_;
    QByteArray buffer_;
    std::unique_ptr<QSocketNotifier> notifier_;
    platform::MessageRecorder messages_;
    platform::ScopedMessageService messageService_;
    std::unique_ptr<platform::ScopedModalRunner> modalRunner_;
    // Set while an action runs: a modal dialog it opens answers for it.
    bool answerPending_ = false;
};
