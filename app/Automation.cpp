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
#include <stdexcept>
#include <unistd.h>

namespace {

// A command that cannot be carried out: answered with its message.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

QString stringField(const QJsonObject &command, const char *name)
{
    const QJsonValue value = command.value(QLatin1String(name));
    if (!value.isString())
        throw CommandError(std::string("\"") + name + "\" must be a string");
    return value.toString();
}

int intField(const QJsonObject &command, const char *name)
{
    const QJsonValue value = command.value(QLatin1String(name));
    if (!value.isDouble())
        throw CommandError(std::string("\"") + name + "\" must be a number");
    return value.toInt();
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

QJsonObject AutomationChannel::run(const QJsonObject &command)
{
    const QString name = stringField(command, "cmd");
    if (name == QLatin1String("find")) {
        QObject *object = findObject(stringField(command, "object"));
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
    }
    if (name == QLatin1String("get")) {
        QObject *object = findObject(stringField(command, "object"));
        const QString property = stringField(command, "property");
        const QVariant value = object->property(property.toLatin1().constData());
        if (!value.isValid())
            throw CommandError(("no property " + property).toStdString());
        return {{"value", toJson(value)}};
    }
    if (name == QLatin1String("set")) {
        QObject *object = findObject(stringField(command, "object"));
        const QString property = stringField(command, "property");
        const QVariant value = command.value("value").toVariant();
        bool written = false;
        platform::guarded([&] { written = object->setProperty(property.toLatin1().constData(), value); });
        if (!written)
            throw CommandError(("cannot set property " + property).toStdString());
        return {};
    }
    if (name == QLatin1String("click")) {
        QObject *object = findObject(stringField(command, "object"));
        if (auto *button = qobject_cast<QAbstractButton *>(object)) {
            if (!button->isEnabled() || !button->isVisible())
                throw CommandError("button is not enabled and visible");
            button->click();
        } else if (auto *action = qobject_cast<QAction *>(object)) {
            action->trigger();
        } else {
            throw CommandError("not a button");
        }
        return {};
    }
    if (name == QLatin1String("scroll")) {
        auto *slider = findAs<QAbstractSlider>(stringField(command, "object"));
        slider->setSliderDown(true);
        slider->setSliderPosition(intField(command, "value"));
        slider->setSliderDown(false);
        return {{"value", slider->value()}};
    }
    if (name == QLatin1String("choose")) {
        auto *combo = findAs<QComboBox>(stringField(command, "object"));
        const int index = command.contains("text") ? combo->findText(stringField(command, "text"))
                                                   : intField(command, "index");
        if (index < 0 || index >= combo->count())
            throw CommandError("no such entry");
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        emit combo->textActivated(combo->itemText(index));
        return {{"index", index}};
    }
    if (name == QLatin1String("type")) {
        auto *widget = findAs<QWidget>(stringField(command, "object"));
        widget->setFocus(Qt::OtherFocusReason);
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            edit->selectAll();
        else if (auto *spin = qobject_cast<QAbstractSpinBox *>(widget))
            spin->selectAll();
        const QString text = command.value("text").toString();
        for (QChar c : text)
            sendKey(widget, Qt::Key_unknown, QString(c));
        if (command.contains("key"))
            sendKey(widget, keyByName(stringField(command, "key")));
        return {};
    }
    if (name == QLatin1String("key")) {
        auto *widget = findAs<QWidget>(stringField(command, "object"));
        sendKey(widget, keyByName(stringField(command, "key")));
        return {};
    }
    if (name == QLatin1String("menu")) {
        const QJsonValue path = command.value("path");
        if (!path.isArray())
            throw CommandError("\"path\" must be a list of captions");
        QStringList captions;
        for (const QJsonValue &caption : path.toArray())
            captions << caption.toString();
        QAction *action = menuAction(captions);
        if (!action->isEnabled())
            throw CommandError("menu item is disabled");
        action->trigger();
        return {};
    }
    if (name == QLatin1String("mouse")) {
        auto *control = findAs<QWidget>(stringField(command, "object"));
        const QString action = stringField(command, "action");
        const QPoint at(intField(command, "x"), intField(command, "y"));
        if (action == QLatin1String("press")) {
            mouse().send(control, QEvent::MouseButtonPress, at, Qt::LeftButton);
        } else if (action == QLatin1String("move")) {
            mouse().send(control, QEvent::MouseMove, at, Qt::NoButton);
        } else if (action == QLatin1String("release")) {
            mouse().send(control, QEvent::MouseButtonRelease, at, Qt::LeftButton);
        } else if (action == QLatin1String("click") || action == QLatin1String("drag")) {
            const QPoint to = action == QLatin1String("drag") ? QPoint(intField(command, "to_x"), intField(command, "to_y")) : at;
            mouse().send(control, QEvent::MouseMove, at, Qt::NoButton);
            mouse().send(control, QEvent::MouseButtonPress, at, Qt::LeftButton);
            if (to != at)
                mouse().send(control, QEvent::MouseMove, to, Qt::NoButton);
            mouse().send(control, QEvent::MouseButtonRelease, to, Qt::LeftButton);
        } else {
            throw CommandError("mouse action is press, move, release, click or drag");
        }
        return {};
    }
    if (name == QLatin1String("invoke")) {
        QObject *object = findObject(stringField(command, "object"));
        invoke(object, stringField(command, "method"), command.value("args").toArray());
        return {};
    }
    if (name == QLatin1String("windows")) {
        QJsonArray windows;
        if (QWidget *modal = QApplication::activeModalWidget())
            windows.append(describeWindow(modal));
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget != QApplication::activeModalWidget())
                windows.append(describeWindow(widget));
        return {{"windows", windows}};
    }
    if (name == QLatin1String("answer")) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            throw CommandError("no modal window");
        const QString caption = stringField(command, "button");
        for (QAbstractButton *button : modal->findChildren<QAbstractButton *>()) {
            if (button->isVisible() && withoutMnemonic(button->text()) == withoutMnemonic(caption)) {
                const QString title = modal->windowTitle();
                button->click();
                return {{"window", title}};
            }
        }
        throw CommandError(("no button " + caption).toStdString());
    }
    if (name == QLatin1String("messages")) {
        QJsonArray texts;
        for (const QString &text : messages_.texts())
            texts.append(text);
        messages_.clear();
        return {{"messages", texts}};
    }
    if (name == QLatin1String("message_answer")) {
        static const std::pair<const char *, platform::MessageAnswer> answers[] = {
            {"OK", platform::MessageAnswer::Ok}, {"Annuler", platform::MessageAnswer::Cancel},
            {"Oui", platform::MessageAnswer::Yes}, {"Non", platform::MessageAnswer::No},
        };
        const QString wanted = stringField(command, "button");
        for (const auto &[caption, value] : answers)
            if (wanted == QLatin1String(caption)) {
                messages_.queueAnswer(value);
                return {};
            }
        throw CommandError("answer is OK, Annuler, Oui or Non");
    }
    if (name == QLatin1String("screenshot")) {
        auto *widget = findAs<QWidget>(stringField(command, "object"));
        const QString file = stringField(command, "file");
        if (!widget->grab().save(file, "PNG"))
            throw CommandError(("cannot write " + file).toStdString());
        return {};
    }
    if (name == QLatin1String("idle")) {
        waitIdle();
        return {};
    }
    if (name == QLatin1String("quit")) {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *main = qobject_cast<QMainWindow *>(widget)) {
                QMetaObject::invokeMethod(main, "Quitter1Click", Qt::QueuedConnection);
                return {};
            }
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return {};
    }
    throw CommandError(("unknown command " + name).toStdString());
}
