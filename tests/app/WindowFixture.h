#pragma once
// The main window as the tests meet it: made and shown on a printer of known
// geometry, with every message box recorded instead of shown.  Its controls
// are found by their object names, as the automation channel finds them, and
// its state is read and written through its properties.
#include "Handles.h"
#include "Main.h"
#include "MessageBox.h"
#include "TPicture.h"
#include "TestPrinter.h"

#include <QAction>
#include <QApplication>
#include <QVariant>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

// A control or menu item of a window by its object name; throws when there is none.
template <typename T> T *controlOf(const QObject &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (found == nullptr)
        throw std::logic_error(std::string("no control named ") + name);
    return found;
}

struct WindowTest : testing::Test {
    platform::MessageRecorder messages;
    platform::ScopedMessageService service{&messages};
    std::unique_ptr<TForm1> form;

    // The printer is chosen first: the window reads it as it is made.
    explicit WindowTest(const std::function<void()> &choosePrinter = [] { useTestPrinter(); })
    {
        choosePrinter();
        open();
    }

    // A new window in place of the present one, shown.
    void open()
    {
        form.reset();
        form = std::make_unique<TForm1>();
        form->FormShow();
    }

    template <typename T = QWidget> T *ui(const char *name) const { return controlOf<T>(*form, name); }
    QAction *item(const char *name) const { return ui<QAction>(name); }
    TPicture *image() const { return ui<TPicture>("Image"); }
    TPicture *page() const { return ui<TPicture>("Page"); }
    // The selection handles have no parent while detached: then they are a window of their own.
    TStretchHandle *handles() const
    {
        if (auto *attached = form->findChild<TStretchHandle *>(QStringLiteral("SH")))
            return attached;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *detached = qobject_cast<TStretchHandle *>(window))
                return detached;
        throw std::logic_error("no selection handles");
    }

    int state(const char *name) const { return form->property(name).toInt(); }
    void setState(const char *name, const QVariant &value) { ASSERT_TRUE(form->setProperty(name, value)) << name; }

    // A picture arriving as from a file, the clipboard or the scanner.
    void arrive(const QImage &picture)
    {
        image()->setPicture(picture);
        form->PlaceArrivedPicture();
    }
};
