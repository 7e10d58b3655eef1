#include "Automation.h"

#include "ErrorBoundary.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>
#include <unistd.h>

namespace {

// A command that cannot be carried out: answered with its message.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The fields of a command, checked against its row of the table before it runs.
class Arguments {
public:
    explicit Arguments(const QJsonObject &command) : command_(command) {}
    QString text(const char *name) const { return command_.value(QLatin1String(name)).toString(); }
    int number(const char *name) const { return command_.value(QLatin1String(name)).toInt(); }
    QJsonValue value(const char *name) const { return command_.value(QLatin1String(name)); }
    bool has(const char *name) const { return command_.contains(QLatin1String(name)); }

private:
    const QJsonObject &command_;
};

enum class Kind { Text, Number, List, Any };

struct Field {
    const char *name;
    Kind kind;
    bool required = true;
};

const char *kindName(Kind kind)
{
    switch (kind) {
    case Kind::Text: return "a string";
    case Kind::Number: return "a number";
    case Kind::List: return "a list";
    case Kind::Any: break;
    }
    return "a value";
}

bool hasKind(const QJsonValue &value, Kind kind)
{
    switch (kind) {
    case Kind::Text: return value.isString();
    case Kind::Number: return value.isDouble();
    case Kind::List: return value.isArray();
    case Kind::Any: break;
    }
    return !value.isUndefined();
}

void checkFields(const QJsonObject &command, const std::vector<Field> &fields)
{
    for (const Field &field : fields) {
        const QJsonValue value = command.value(QLatin1String(field.name));
        if (value.isUndefined() && !field.required)
            continue;
        if (!hasKind(value, field.kind))
            throw CommandError(std::string("\"") + field.name + "\" must be " + kindName(field.kind));
    }
}

QObject *findIn(QObject *root, const QString &name)
{
    if (root->objectName() == name)
        return root;
    return root->findChild<QObject *>(name);
}

// "Name" or "Window/Child/Name": the first match, visible windows first.
QObject *findObject(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        throw CommandError("empty object name");
    QList<QWidget *> roots = QApplication::topLevelWidgets();
    std::stable_partition(roots.begin(), roots.end(), [](QWidget *w) { return w->isVisible(); });
    for (QWidget *root : roots) {
        QObject *found = findIn(root, parts.first());
        for (qsizetype i = 1; found && i < parts.size(); ++i)
            found = found->findChild<QObject *>(parts[i]);
        if (found)
            return found;
    }
    throw CommandError(("no object named " + path).toStdString());
}

template <typename T> T *findAs(const QString &path)
{
    T *object = qobject_cast<T *>(findObject(path));
    if (!object)
        throw CommandError(("object " + path + " is not a " + T::staticMetaObject.className()).toStdString());
    return object;
}

QJsonObject rectJson(const QRect &r)
{
    return {{"x", r.x()}, {"y", r.y()}, {"width", r.width()}, {"height", r.height()}};
}

QJsonValue toJson(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::QRect: return rectJson(value.toRect());
    case QMetaType::QSize: return QJsonObject{{"width", value.toSize().width()}, {"height", value.toSize().height()}};
    case QMetaType::QPoint: return QJsonObject{{"x", value.toPoint().x()}, {"y", value.toPoint().y()}};
    default: break;
    }
    const QJsonValue json = QJsonValue::fromVariant(value);
    if (json.isNull() && value.isValid() && value.canConvert<QString>())
        return value.toString();
    return json;
}

QString withoutMnemonic(QString text)
{
    text.remove(QLatin1Char('&'));
    return text;
}

// Pumps the event queue until nothing is left to do.
void waitIdle()
{
    for (int round = 0; round < 20; ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

Qt::Key keyByName(const QString &name)
{
    static const std::pair<const char *, Qt::Key> keys[] = {
        {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter}, {"Escape", Qt::Key_Escape}, {"Tab", Qt::Key_Tab},
        {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up}, {"Down", Qt::Key_Down},
        {"Delete", Qt::Key_Delete}, {"Backspace", Qt::Key_Backspace}, {"Home", Qt::Key_Home}, {"End", Qt::Key_End},
        {"F1", Qt::Key_F1},
    };
    for (const auto &[keyName, key] : keys)
        if (name == QLatin1String(keyName))
            return key;
    throw CommandError(("unknown key " + name).toStdString());
}

void sendKey(QWidget *target, Qt::Key key, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

// The mouse as a user has it: events go to the topmost widget under the
// pointer, and while a button is held, to the widget that took the press.
class Mouse {
public:
    void send(QWidget *control, QEvent::Type type, QPoint local, Qt::MouseButton button)
    {
        const QPoint global = control->mapToGlobal(local);
        QWidget *target = grab_;
        if (!target) {
            QWidget *window = control->window();
            target = window->childAt(window->mapFromGlobal(global));
            if (!target)
                target = window;
        }
        if (type == QEvent::MouseButtonPress)
            buttons_ |= button;
        else if (type == QEvent::MouseButtonRelease)
            buttons_ &= ~button;
        QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global),
                          type == QEvent::MouseMove ? Qt::NoButton : button, buttons_, Qt::NoModifier);
        QPointer<QWidget> guard(target);
        QApplication::sendEvent(target, &event);
        if (type == QEvent::MouseButtonPress)
            grab_ = guard;
        if (buttons_ == Qt::NoButton)
            grab_ = nullptr;
    }

private:
    QPointer<QWidget> grab_;
    Qt::MouseButtons buttons_ = Qt::NoButton;
};

Mouse &mouse()
{
    static Mouse instance;
    return instance;
}

QAction *menuAction(const QStringList &path)
{
    QMainWindow *main = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if ((main = qobject_cast<QMainWindow *>(widget)))
            break;
    if (!main || path.isEmpty())
        throw CommandError("no menu");
    QList<QAction *> actions = main->menuBar()->actions();
    QAction *found = nullptr;
    for (const QString &caption : path) {
        found = nullptr;
        for (QAction *action : actions)
            if (action->text() == caption || withoutMnemonic(action->text()) == withoutMnemonic(caption))
                found = action;
        if (!found)
            throw CommandError(("no menu item " + caption).toStdString());
        if (found->menu()) {
            emit found->menu()->aboutToShow();
            actions = found->menu()->actions();
        }
    }
    return found;
}

QVariant argumentFor(const QJsonValue &value, int type)
{
    QVariant variant = value.toVariant();
    if (!variant.convert(QMetaType(type)))
        throw CommandError("argument of the wrong type");
    return variant;
}

void invoke(QObject *object, const QString &name, const QJsonArray &args)
{
    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (QString::fromLatin1(method.name()) != name || method.parameterCount() != args.size())
            continue;
        if (method.parameterCount() > 3)
            throw CommandError("too many arguments");
        std::vector<QVariant> values;
        for (int p = 0; p < method.parameterCount(); ++p)
            values.push_back(argumentFor(args[p], method.parameterType(p)));
        QGenericArgument a[3];
        for (size_t p = 0; p < values.size(); ++p)
            a[p] = QGenericArgument(values[p].typeName(), values[p].constData());
        // The handler's own errors are the program's, shown as its error
        // report; only a method that cannot be called fails the command.
        bool invoked = true;
        platform::guarded([&] { invoked = method.invoke(object, Qt::DirectConnection, a[0], a[1], a[2]); });
        if (!invoked)
            throw CommandError(("cannot invoke " + name).toStdString());
        return;
    }
    throw CommandError(("no invokable " + name + " with " + QString::number(args.size()) + " arguments").toStdString());
}

QJsonObject describeWindow(QWidget *window)
{
    return {{"name", window->objectName()}, {"class", window->metaObject()->className()},
            {"title", window->windowTitle()}, {"modal", window == QApplication::activeModalWidget()}};
}

} // namespace

AutomationChannel::AutomationChannel(int inputFd, FILE *output, QObject *parent)
    : QObject(parent), inputFd_(inputFd), output_(output), messageService_(&messages_)
{
    messages_.setDefaultAnswer(platform::MessageAnswer::Ok);
    modalRunner_ = std::make_unique<platform::ScopedModalRunner>([this](QDialog &dialog) {
        if (answerPending_) {
            answerPending_ = false;
            answer({{"ok", true}, {"modal", dialog.windowTitle()}});
        }
        return dialog.exec();
    });
    if (inputFd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(inputFd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &AutomationChannel::readInput);
    }
}

AutomationChannel::~AutomationChannel() = default;

void AutomationChannel::readInput()
{
    char chunk[4096];
    const ssize_t count = ::read(inputFd_, chunk, sizeof chunk);
    if (count <= 0) {
        notifier_->setEnabled(false); // end of input: the program goes on until told to quit
        return;
    }
    buffer_.append(chunk, count);
    qsizetype end;
    while ((end = buffer_.indexOf('\n')) >= 0) {
        const QByteArray line = buffer_.left(end).trimmed();
        buffer_.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        answerPending_ = true;
        const QJsonObject reply = execute(line);
        if (answerPending_) {
            answerPending_ = false;
            answer(reply);
        }
    }
}

void AutomationChannel::answer(const QJsonObject &reply)
{
    if (!output_)
        return;
    const QByteArray text = QJsonDocument(reply).toJson(QJsonDocument::Compact);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), output_);
    std::fputc('\n', output_);
    std::fflush(output_);
}

QJsonObject AutomationChannel::execute(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {{"ok", false}, {"error", QStringLiteral("not a JSON object")}};
    try {
        QJsonObject reply = run(document.object());
        reply.insert(QStringLiteral("ok"), true);
        return reply;
    } catch (const std::exception &failure) {
        return {{"ok", false}, {"error", QString::fromUtf8(failure.what())}};
    }
}

// One row per command: its name, what it does, its fields, and what it runs.
struct AutomationChannel::Command {
    const char *name;
    const char *summary;
    std::vector<Field> fields;
    std::function<QJsonObject(AutomationChannel &, const Arguments &)> run;
};

const std::vector<AutomationChannel::Command> &AutomationChannel::commands()
{
    static const std::vector<Command> table = {
        {"help", "lists the commands with their fields", {}, [](AutomationChannel &, const Arguments &) {
             QJsonArray list;
             for (const Command &command : commands()) {
                 QJsonArray fields;
                 for (const Field &field : command.fields)
                     fields.append(QString::fromLatin1(field.name) + (field.required ? QString() : QStringLiteral("?")));
                 list.append(QJsonObject{{"cmd", command.name}, {"summary", command.summary}, {"fields", fields}});
             }
             return QJsonObject{{"commands", list}};
         }},
        {"find", "what an object is: class, visibility, state and geometry", {{"object", Kind::Text}},
         [](AutomationChannel &, const Arguments &args) {
             QObject *object = findObject(args.text("object"));
             QJsonObject reply{{"class", object->metaObject()->className()}};
             if (auto *widget = qobject_cast<QWidget *>(object)) {
                 reply.insert("visible", widget->isVisible());
                 reply.insert("shown", !widget->isHidden());
                 reply.insert("enabled", widget->isEnabled());
                 reply.insert("geometry", rectJson(widget->geometry()));
                 reply.insert("screen", rectJson(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size())));
             } else if (auto *action = qobject_cast<QAction *>(object)) {
                 reply.insert("visible", action->isVisible());
                 reply.insert("enabled", action->isEnabled());
                 reply.insert("checked", action->isChecked());
                 reply.insert("text", action->text());
             }
             return reply;
         }},
        {"get", "reads a property", {{"object", Kind::Text}, {"property", Kind::Text}},
         [](AutomationChannel &, const Arguments &args) {
             const QString property = args.text("property");
             const QVariant value = findObject(args.text("object"))->property(property.toLatin1().constData());
             if (!value.isValid())
                 throw CommandError(("no property " + property).toStdString());
             return QJsonObject{{"value", toJson(value)}};
         }},
        {"set", "writes a property", {{"object", Kind::Text}, {"property", Kind::Text}, {"value", Kind::Any}},
         [](AutomationChannel &, const Arguments &args) {
             QObject *object = findObject(args.text("object"));
             const QString property = args.text("property");
             bool written = false;
             platform::guarded([&] { written = object->setProperty(property.toLatin1().constData(), args.value("value").toVariant()); });
             if (!written)
                 throw CommandError(("cannot set property " + property).toStdString());
             return QJsonObject{};
         }},
        {"click", "clicks a visible, enabled button or triggers an action", {{"object", Kind::Text}},
         [](AutomationChannel &, const Arguments &args) {
             QObject *object = findObject(args.text("object"));
             if (auto *button = qobject_cast<QAbstractButton *>(object)) {
                 if (!button->isEnabled() || !button->isVisible())
                     throw CommandError("button is not enabled and visible");
                 button->click();
             } else if (auto *action = qobject_cast<QAction *>(object)) {
                 action->trigger();
             } else {
                 throw CommandError("not a button");
             }
             return QJsonObject{};
         }},
        {"scroll", "moves a bar as a user drags it", {{"object", Kind::Text}, {"value", Kind::Number}},
         [](AutomationChannel &, const Arguments &args) {
             auto *slider = findAs<QAbstractSlider>(args.text("object"));
             slider->setSliderDown(true);
             slider->setSliderPosition(args.number("value"));
             slider->setSliderDown(false);
             return QJsonObject{{"value", slider->value()}};
         }},
        {"choose", "picks an entry of a list by its text or index",
         {{"object", Kind::Text}, {"text", Kind::Text, false}, {"index", Kind::Number, false}},
         [](AutomationChannel &, const Arguments &args) {
             auto *combo = findAs<QComboBox>(args.text("object"));
             if (!args.has("text") && !args.has("index"))
                 throw CommandError("\"text\" or \"index\" names the entry");
             const int index = args.has("text") ? combo->findText(args.text("text")) : args.number("index");
             if (index < 0 || index >= combo->count())
                 throw CommandError("no such entry");
             combo->setCurrentIndex(index);
             emit combo->activated(index);
             emit combo->textActivated(combo->itemText(index));
             return QJsonObject{{"index", index}};
         }},
        {"type", "types text into a control, then an optional key",
         {{"object", Kind::Text}, {"text", Kind::Text, false}, {"key", Kind::Text, false}},
         [](AutomationChannel &, const Arguments &args) {
             auto *widget = findAs<QWidget>(args.text("object"));
             widget->setFocus(Qt::OtherFocusReason);
             if (auto *edit = qobject_cast<QLineEdit *>(widget))
                 edit->selectAll();
             else if (auto *spin = qobject_cast<QAbstractSpinBox *>(widget))
                 spin->selectAll();
             for (QChar c : args.text("text"))
                 sendKey(widget, Qt::Key_unknown, QString(c));
             if (args.has("key"))
                 sendKey(widget, keyByName(args.text("key")));
             return QJsonObject{};
         }},
        {"key", "presses a key in a control", {{"object", Kind::Text}, {"key", Kind::Text}},
         [](AutomationChannel &, const Arguments &args) {
             sendKey(findAs<QWidget>(args.text("object")), keyByName(args.text("key")));
             return QJsonObject{};
         }},
        {"menu", "triggers a menu item by its captions", {{"path", Kind::List}},
         [](AutomationChannel &, const Arguments &args) {
             QStringList captions;
             for (const QJsonValue &caption : args.value("path").toArray())
                 captions << caption.toString();
             QAction *action = menuAction(captions);
             if (!action->isEnabled())
                 throw CommandError("menu item is disabled");
             action->trigger();
             return QJsonObject{};
         }},
        {"mouse", "press, move, release, click or drag with the left button",
         {{"object", Kind::Text}, {"action", Kind::Text}, {"x", Kind::Number}, {"y", Kind::Number},
          {"to_x", Kind::Number, false}, {"to_y", Kind::Number, false}},
         [](AutomationChannel &, const Arguments &args) {
             auto *control = findAs<QWidget>(args.text("object"));
             const QString action = args.text("action");
             const QPoint at(args.number("x"), args.number("y"));
             if (action == QLatin1String("press")) {
                 mouse().send(control, QEvent::MouseButtonPress, at, Qt::LeftButton);
             } else if (action == QLatin1String("move")) {
                 mouse().send(control, QEvent::MouseMove, at, Qt::NoButton);
             } else if (action == QLatin1String("release")) {
                 mouse().send(control, QEvent::MouseButtonRelease, at, Qt::LeftButton);
             } else if (action == QLatin1String("click") || action == QLatin1String("drag")) {
                 const QPoint to = action == QLatin1String("drag") ? QPoint(args.number("to_x"), args.number("to_y")) : at;
                 mouse().send(control, QEvent::MouseMove, at, Qt::NoButton);
                 mouse().send(control, QEvent::MouseButtonPress, at, Qt::LeftButton);
                 if (to != at)
                     mouse().send(control, QEvent::MouseMove, to, Qt::NoButton);
                 mouse().send(control, QEvent::MouseButtonRelease, to, Qt::LeftButton);
             } else {
                 throw CommandError("mouse action is press, move, release, click or drag");
             }
             return QJsonObject{};
         }},
        {"invoke", "calls a handler by its name", {{"object", Kind::Text}, {"method", Kind::Text}, {"args", Kind::List, false}},
         [](AutomationChannel &, const Arguments &args) {
             invoke(findObject(args.text("object")), args.text("method"), args.value("args").toArray());
             return QJsonObject{};
         }},
        {"windows", "the visible windows, the modal one first", {}, [](AutomationChannel &, const Arguments &) {
             QJsonArray windows;
             if (QWidget *modal = QApplication::activeModalWidget())
                 windows.append(describeWindow(modal));
             for (QWidget *widget : QApplication::topLevelWidgets())
                 if (widget->isVisible() && widget != QApplication::activeModalWidget())
                     windows.append(describeWindow(widget));
             return QJsonObject{{"windows", windows}};
         }},
        {"answer", "clicks a button of the modal window by its caption", {{"button", Kind::Text}},
         [](AutomationChannel &, const Arguments &args) {
             QWidget *modal = QApplication::activeModalWidget();
             if (!modal)
                 throw CommandError("no modal window");
             const QString caption = args.text("button");
             for (QAbstractButton *button : modal->findChildren<QAbstractButton *>()) {
                 if (button->isVisible() && withoutMnemonic(button->text()) == withoutMnemonic(caption)) {
                     const QString title = modal->windowTitle();
                     button->click();
                     return QJsonObject{{"window", title}};
                 }
             }
             throw CommandError(("no button " + caption).toStdString());
         }},
        {"messages", "the texts of the message boxes shown since the last call", {},
         [](AutomationChannel &channel, const Arguments &) {
             QJsonArray texts;
             for (const QString &text : channel.messages_.texts())
                 texts.append(text);
             channel.messages_.clear();
             return QJsonObject{{"messages", texts}};
         }},
        {"message_answer", "the answer the next message box gets: OK, Annuler, Oui or Non", {{"button", Kind::Text}},
         [](AutomationChannel &channel, const Arguments &args) {
             static const std::pair<const char *, platform::MessageAnswer> answers[] = {
                 {"OK", platform::MessageAnswer::Ok}, {"Annuler", platform::MessageAnswer::Cancel},
                 {"Oui", platform::MessageAnswer::Yes}, {"Non", platform::MessageAnswer::No},
             };
             for (const auto &[caption, value] : answers)
                 if (args.text("button") == QLatin1String(caption)) {
                     channel.messages_.queueAnswer(value);
                     return QJsonObject{};
                 }
             throw CommandError("answer is OK, Annuler, Oui or Non");
         }},
        {"screenshot", "writes a control's picture as PNG", {{"object", Kind::Text}, {"file", Kind::Text}},
         [](AutomationChannel &, const Arguments &args) {
             const QString file = args.text("file");
             if (!findAs<QWidget>(args.text("object"))->grab().save(file, "PNG"))
                 throw CommandError(("cannot write " + file).toStdString());
             return QJsonObject{};
         }},
        {"idle", "waits until the program has nothing left to do", {}, [](AutomationChannel &, const Arguments &) {
             waitIdle();
             return QJsonObject{};
         }},
        {"quit", "closes the main window as its menu does", {}, [](AutomationChannel &, const Arguments &) {
             for (QWidget *widget : QApplication::topLevelWidgets())
                 if (auto *main = qobject_cast<QMainWindow *>(widget)) {
                     QMetaObject::invokeMethod(main, "Quitter1Click", Qt::QueuedConnection);
                     return QJsonObject{};
                 }
             QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
             return QJsonObject{};
         }},
    };
    return table;
}

QJsonObject AutomationChannel::run(const QJsonObject &command)
{
    const QJsonValue name = command.value(QLatin1String("cmd"));
    if (!name.isString())
        throw CommandError("\"cmd\" must be a string");
    const std::vector<Command> &table = commands();
    const auto row = std::find_if(table.begin(), table.end(),
                                  [&](const Command &entry) { return name.toString() == QLatin1String(entry.name); });
    if (row == table.end())
        throw CommandError(("unknown command " + name.toString()).toStdString());
    checkFields(command, row->fields);
    return row->run(*this, Arguments(command));
}
