// The real program driven through its automation channel, with a PDF
// printer of known geometry (A4, 600 dpi, 4 mm margins).
#include "PdfProbe.h"
#include "ProgramEnvironment.h"
#include "Waiting.h"

#include <QDir>
#include <QElapsedTimer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QFileInfo>
#include <QRegularExpression>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

class Program {
public:
    explicit Program(const QString &home, QString printer = {}, const QStringList &files = {})
    {
        if (printer.isEmpty())
            printer = QStringLiteral("pdf:%1/out.pdf,dpi=600,paper=A4,margins=4").arg(home);
        QProcessEnvironment env = programEnvironment(home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(QUILLON_PROGRAM),
                       QStringList{QStringLiteral("--automation"), QStringLiteral("--printer"), printer} + files);
        process_.waitForStarted();
    }

    ~Program()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    QJsonObject send(const QByteArray &line)
    {
        process_.write(line + '\n');
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(20000))
                return {{"ok", false}, {"error", "no answer"}};
        }
        return QJsonDocument::fromJson(process_.readLine()).object();
    }

    QJsonObject command(const QJsonObject &command)
    {
        return send(QJsonDocument(command).toJson(QJsonDocument::Compact));
    }

    QJsonValue property(const QString &object, const QString &name)
    {
        return command({{"cmd", "get"}, {"object", object}, {"property", name}}).value("value");
    }

    // Waits until a modal window with this title is up.
    bool waitForModal(const QString &title)
    {
        return waitUntil([&] {
            const QJsonArray windows = command({{"cmd", "windows"}}).value("windows").toArray();
            return !windows.isEmpty() && windows[0].toObject().value("modal").toBool()
                && windows[0].toObject().value("title").toString() == title;
        });
    }

    bool finished() { return process_.waitForFinished(20000) && process_.exitCode() == 0; }

private:
    QProcess process_;
};

// Nothing over the main window: no progress window, no message left open.
bool onlyMainWindowShown(Program &program)
{
    const QJsonArray windows = program.command({{"cmd", "windows"}}).value("windows").toArray();
    return windows.size() == 1 && windows[0].toObject().value("name").toString() == QLatin1String("TForm1");
}

} // namespace

TEST(Automation, DrivesTheSheetAndSavesTheSettings)
{
    QTemporaryDir home;
    Program program(home.path());
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    EXPECT_TRUE(program.command({{"cmd", "answer"}, {"button", "Fermer"}}).value("ok").toBool());
    program.command({{"cmd", "idle"}});

    EXPECT_EQ(program.property("Image", "geometry").toObject().value("width").toInt(), 278);
    EXPECT_TRUE(program.command({{"cmd", "scroll"}, {"object", "LargIm"}, {"value", 100}}).value("ok").toBool());
    EXPECT_EQ(program.property("Label10", "text").toString(), QStringLiteral("100 mm"));
    EXPECT_EQ(program.property("Image", "geometry").toObject().value("width").toInt(), 140);
    EXPECT_EQ(program.property("Image", "geometry").toObject().value("height").toInt(), 198);

    EXPECT_TRUE(program.command({{"cmd", "choose"}, {"object", "ComboFormats"}, {"text", "A5"}}).value("ok").toBool());
    EXPECT_FALSE(program.property("conserver", "checked").toBool());
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "centrerp"}}).value("ok").toBool());
    const QJsonObject centred = program.property("Image", "geometry").toObject();
    EXPECT_EQ(centred.value("x").toInt(), 43);
    EXPECT_EQ(centred.value("y").toInt(), 61);
    EXPECT_EQ(centred.value("width").toInt(), 206);
    EXPECT_EQ(centred.value("height").toInt(), 293);
    EXPECT_EQ(program.property("SH", "AttachedCount").toInt(), 1);

    // Bottom-right square dragged 20 pixels to the right: the resize ends 3 pixels short.
    EXPECT_TRUE(program.command({{"cmd", "mouse"}, {"object", "Image"}, {"action", "drag"}, {"x", 205}, {"y", 292},
                                 {"to_x", 225}, {"to_y", 292}}).value("ok").toBool());
    const QJsonObject dragged = program.property("Image", "geometry").toObject();
    EXPECT_EQ(dragged.value("width").toInt(), 223);
    EXPECT_EQ(dragged.value("height").toInt(), 290);
    EXPECT_EQ(program.property("Label10", "text").toString(), QStringLiteral("160 mm"));

    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    ASSERT_TRUE(program.finished());
    QSettings settings(home.path() + QStringLiteral("/config/Quillon/Vardo/Quillon 2002.ini"), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("MainW/w")).toString(), QStringLiteral("680")); // the narrowest the controls allow
    EXPECT_EQ(settings.value(QStringLiteral("MainW/Maxi")).toString(), QStringLiteral("0"));
    EXPECT_EQ(settings.value(QStringLiteral("Options/Cadre")).toString(), QStringLiteral("1"));
    EXPECT_EQ(settings.value(QStringLiteral("Options/TipAtStart")).toString(), QStringLiteral("1"));
}

TEST(Automation, BadInputIsAnsweredAndTheProgramGoesOn)
{
    QTemporaryDir home;
    Program program(home.path());
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    const QByteArray bad[] = {
        "this is not JSON",
        "[1, 2, 3]",
        R"({"cmd": "find", "object": "NoSuchControl"})",
        R"({"cmd": "fly"})",
        R"({"cmd": 42})",
        R"({"cmd": "scroll", "object": "LargIm", "value": "wide"})",
        R"({"cmd": "scroll", "object": "Label10", "value": 3})",
        R"({"cmd": "invoke", "object": "TForm1", "method": "NoSuchHandler"})",
        R"({"cmd": "menu", "path": ["&Fichier", "Nothing"]})",
        R"({"cmd": "choose", "object": "ComboFormats"})",
        R"({"cmd": "click"})",
    };
    for (const QByteArray &line : bad) {
        const QJsonObject reply = program.send(line);
        EXPECT_FALSE(reply.value("ok").toBool(true)) << line.constData();
        EXPECT_FALSE(reply.value("error").toString().isEmpty()) << line.constData();
    }
    EXPECT_TRUE(program.command({{"cmd", "answer"}, {"button", "Fermer"}}).value("ok").toBool());
    // The help comes from the same table as the dispatch and the checks.
    const QJsonArray commands = program.command({{"cmd", "help"}}).value("commands").toArray();
    EXPECT_EQ(commands.size(), 19);
    const auto mouse = std::find_if(commands.begin(), commands.end(),
                                    [](const QJsonValue &c) { return c.toObject().value("cmd") == QLatin1String("mouse"); });
    ASSERT_NE(mouse, commands.end());
    EXPECT_EQ(mouse->toObject().value("fields").toArray(),
              (QJsonArray{"object", "action", "x", "y", "to_x?", "to_y?"}));
    EXPECT_TRUE(program.command({{"cmd", "invoke"}, {"object", "TForm1"}, {"method", "FillBtnClick"}}).value("ok").toBool());
    // The sample is taller than wide: fitted to the printable height, proportions kept.
    EXPECT_EQ(program.property("Image", "geometry").toObject().value("height").toInt(), 400);
    EXPECT_EQ(program.property("Image", "geometry").toObject().value("width").toInt(), 282);

    EXPECT_TRUE(program.command({{"cmd", "type"}, {"object", "SpinEdit"}, {"text", "12"}, {"key", "Return"}}).value("ok").toBool());
    EXPECT_EQ(program.property("SpinEdit", "value").toInt(), 12);
    EXPECT_TRUE(program.command({{"cmd", "messages"}}).value("messages").toArray().isEmpty());

    // A menu item that opens a modal window answers at once, and the window can be answered.
    const QJsonObject about = program.command({{"cmd", "menu"}, {"path", QJsonArray{"&?", "A &propos..."}}});
    EXPECT_EQ(about.value("modal").toString(), QStringLiteral("A propos"));
    EXPECT_TRUE(program.command({{"cmd", "answer"}, {"button", "OK"}}).value("ok").toBool());
    EXPECT_TRUE(program.command({{"cmd", "screenshot"}, {"object", "TForm1"}, {"file", home.path() + "/shot.png"}}).value("ok").toBool());
    EXPECT_TRUE(QFile::exists(home.path() + "/shot.png"));
    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    EXPECT_TRUE(program.finished());
}

// An error in a handler is the program's error report, not its end.
TEST(Automation, AJobThatCannotStartIsReportedAndTheWindowGoesOn)
{
    QTemporaryDir home;
    // A PDF printer whose folder cannot be created: the print job cannot begin.
    Program program(home.path(), QStringLiteral("pdf:/proc/no-such-folder/out.pdf,dpi=300"));
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    program.command({{"cmd", "answer"}, {"button", "Fermer"}});
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "PrintBtn"}}).value("ok").toBool());
    const QJsonArray messages = program.command({{"cmd", "messages"}}).value("messages").toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].toString().startsWith(QStringLiteral("Impossible de lancer l'impression.")));
    EXPECT_TRUE(messages[0].toString().contains(QStringLiteral("/proc/no-such-folder/out.pdf")));

    // The same error from a handler the channel calls by name.
    EXPECT_TRUE(program.command({{"cmd", "invoke"}, {"object", "TForm1"}, {"method", "PrintSheet"}}).value("ok").toBool());
    EXPECT_EQ(program.command({{"cmd", "messages"}}).value("messages").toArray().size(), 1);

    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "centrerp"}}).value("ok").toBool());
    EXPECT_EQ(program.property("SH", "AttachedCount").toInt(), 1);
    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    EXPECT_TRUE(program.finished());
}

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

// A real printer: CUPS with its PDF queue, set up by the test script.
TEST(Automation, PrintsCopiesThroughCups)
{
    if (qEnvironmentVariableIsEmpty("QUILLON_CUPS_PRINTER"))
        GTEST_SKIP() << "no CUPS PDF queue";
    const QString queue = qEnvironmentVariable("QUILLON_CUPS_PRINTER");
    QTemporaryDir home;
    Program program(home.path(), queue);
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    program.command({{"cmd", "answer"}, {"button", "Fermer"}});
    EXPECT_TRUE(program.property("PrintBtn", "enabled").toBool());
    program.command({{"cmd", "type"}, {"object", "SpinEdit"}, {"text", "2"}, {"key", "Return"}});
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "PrintBtn"}}).value("ok").toBool());
    // The status line names the queue and the job CUPS gave it.
    const QRegularExpressionMatch job = QRegularExpression(QStringLiteral("« %1 » \\(travail (\\d+)\\)").arg(queue))
                                            .match(program.property("TForm1", "Status").toString());
    ASSERT_TRUE(job.hasMatch()) << program.property("TForm1", "Status").toString().toStdString();
    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    ASSERT_TRUE(program.finished());

    const QString printed = cupsPdfOfJob(queue, job.captured(1).toInt());
    ASSERT_FALSE(printed.isEmpty()) << "no job came out of the PDF queue";
    EXPECT_TRUE(run(QStringLiteral("pdfinfo"), {printed}).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\b"))));
    QFile::remove(printed);
}

namespace {

// SANE's test device as the only scanner, for a program started after it.
struct TestScanner {
    QTemporaryDir folder;
    explicit TestScanner(const QByteArray &extraLines = {})
    {
        QFile dll(folder.filePath(QStringLiteral("dll.conf")));
        dll.open(QIODevice::WriteOnly);
        dll.write("test\n");
        QFile conf(folder.filePath(QStringLiteral("test.conf")));
        conf.open(QIODevice::WriteOnly);
        conf.write("number_of_devices 1\nresolution 100.0\ngeometry_max 300.0\nbr_x 210.0\nbr_y 297.0\n" + extraLines);
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(folder.path()));
    }
    ~TestScanner() { qunsetenv("SANE_CONFIG_DIR"); }
};

} // namespace

// The road of one copy: the copy button, the presets, the scanner, the sheet, the printer.
TEST(Automation, TheCopyButtonScansThroughThePresetsAndPrints)
{
    TestScanner scanner;
    QTemporaryDir home;
    const QString pdf = home.filePath(QStringLiteral("out.pdf"));
    Program program(home.path());
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    program.command({{"cmd", "answer"}, {"button", "Fermer"}});

    // The copy button opens the presets; "Couleur qualité normale" scans in colour at 100 dpi.
    const QJsonObject go = program.command({{"cmd", "click"}, {"object", "GoBtn"}});
    EXPECT_EQ(go.value("modal").toString(), QStringLiteral("Réglages prédéfinis du scanner"));
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "MMBitmapButton3"}}).value("ok").toBool());
    // The scan's own loop takes commands too: the copy is done when the status line says where it went.
    EXPECT_TRUE(waitUntil([&] { return program.property("TForm1", "Status").toString().contains(pdf); }));
    EXPECT_TRUE(program.command({{"cmd", "messages"}}).value("messages").toArray().isEmpty());

    // The A4 page at 100 dpi, fitted into the printable area.
    const QJsonObject placed = program.property("Image", "geometry").toObject();
    EXPECT_EQ(placed.value("x").toInt(), 8);
    EXPECT_EQ(placed.value("width").toInt(), 278);
    EXPECT_NEAR(program.property("Image", "pictureWidth").toInt(), 823, 1);
    EXPECT_EQ(program.property("TForm1", "windowTitle").toString(), QStringLiteral("Quillon 2002"));

    // Printed where the sheet shows it: 278 preview pixels of a 293-pixel, 210 mm sheet.
    const QString list = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    const QStringList line = list.section(QLatin1Char('\n'), 2, 2).simplified().split(QLatin1Char(' '));
    ASSERT_GE(line.size(), 14) << list.toStdString();
    EXPECT_NEAR(line[3].toInt(), 823, 1);
    const double widthMm = line[3].toDouble() / line[12].toDouble() * 25.4;
    EXPECT_NEAR(widthMm, 278.0 * 210.0 / 293.0, 1.0);

    // Duplication mode: the copy button prints the tiles, without scanning.
    QFile::remove(pdf);
    program.command({{"cmd", "scroll"}, {"object", "Zoom"}, {"value", 10}});
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "Dupliquer"}}).value("ok").toBool());
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "GoBtn"}}).value("ok").toBool());
    EXPECT_GT(run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).count(QLatin1Char('\n')), 4);
    program.command({{"cmd", "click"}, {"object", "Dupliquer"}});

    // Poster mode: the copy button asks for the pages to print, then prints the sheets.
    QFile::remove(pdf);
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "Poster"}}).value("ok").toBool());
    const QJsonObject poster = program.command({{"cmd", "click"}, {"object", "GoBtn"}});
    EXPECT_FALSE(poster.value("modal").toString().isEmpty());
    EXPECT_TRUE(program.command({{"cmd", "answer"}, {"button", "Imprimer"}}).value("ok").toBool());
    // The sheets print once the dialog's own loop has ended; the status line then says where they went.
    EXPECT_TRUE(waitUntil([&] { return program.property("TForm1", "Status").toString().contains(pdf); }));
    EXPECT_GE(run(QStringLiteral("pdfinfo"), {pdf}).section(QStringLiteral("Pages:"), 1).simplified().section(QLatin1Char(' '), 0, 0).toInt(), 2);

    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    EXPECT_TRUE(program.finished());
}

// The open-image dialog as a user walks it: a folder, a file, its preview, OK.
TEST(Automation, OpensAPictureThroughTheOpenDialog)
{
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("pictures"));
    const QString picture = home.filePath(QStringLiteral("pictures/photo.png"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("/usr/bin/convert"),
                                {QStringLiteral("-size"), QStringLiteral("120x80"), QStringLiteral("gradient:red-blue"), picture}),
              0);
    Program program(home.path());
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    program.command({{"cmd", "answer"}, {"button", "Fermer"}});

    auto openDialog = [&] {
        return program.command({{"cmd", "menu"}, {"path", QJsonArray{"&Fichier", "&Ouvrir une image ou une page déjà enregistrée..."}}});
    };
    // Cancelling changes nothing.
    EXPECT_EQ(openDialog().value("modal").toString(), QStringLiteral("Choix d'une image"));
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "TOpenDial/CancelBtn"}}).value("ok").toBool());
    program.command({{"cmd", "idle"}});
    EXPECT_EQ(program.property("TForm1", "windowTitle").toString(), QStringLiteral("Quillon 2002"));

    EXPECT_EQ(openDialog().value("modal").toString(), QStringLiteral("Choix d'une image"));
    EXPECT_TRUE(program.command({{"cmd", "set"}, {"object", "TOpenDial/tv"}, {"property", "Selection"},
                                 {"value", home.filePath(QStringLiteral("pictures"))}}).value("ok").toBool());
    program.command({{"cmd", "idle"}});
    EXPECT_TRUE(program.command({{"cmd", "invoke"}, {"object", "TOpenDial/lv"}, {"method", "selectFile"},
                                 {"args", QJsonArray{picture}}}).value("ok").toBool());
    program.command({{"cmd", "idle"}});
    EXPECT_EQ(program.property("TOpenDial/Image", "pictureWidth").toInt(), 120); // the preview
    EXPECT_EQ(program.property("TOpenDial", "ChosenFile").toString(), picture);
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "TOpenDial/OKBtn"}}).value("ok").toBool());
    EXPECT_TRUE(waitUntil([&] { return program.property("Image", "pictureWidth").toInt() == 120; }));
    EXPECT_EQ(program.property("TForm1", "windowTitle").toString(), QStringLiteral("Quillon 2002 : fichier photo.png"));
    EXPECT_TRUE(program.command({{"cmd", "messages"}}).value("messages").toArray().isEmpty());
    EXPECT_TRUE(waitUntil([&] { return onlyMainWindowShown(program); }));

    // A damaged picture: one message naming it, the picture kept, no progress window left.
    const QString damaged = home.filePath(QStringLiteral("pictures/damaged.png"));
    {
        QFile original(picture), copy(damaged);
        ASSERT_TRUE(original.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly));
        copy.write(original.read(original.size() / 2));
    }
    EXPECT_EQ(openDialog().value("modal").toString(), QStringLiteral("Choix d'une image"));
    program.command({{"cmd", "invoke"}, {"object", "TOpenDial/lv"}, {"method", "selectFile"}, {"args", QJsonArray{damaged}}});
    program.command({{"cmd", "idle"}});
    program.command({{"cmd", "click"}, {"object", "TOpenDial/OKBtn"}});
    QJsonArray messages;
    EXPECT_TRUE(waitUntil([&] {
        messages = program.command({{"cmd", "messages"}}).value("messages").toArray();
        return !messages.isEmpty();
    }));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].toString().contains(QStringLiteral("damaged.png"))) << messages[0].toString().toStdString();
    EXPECT_EQ(program.property("Image", "pictureWidth").toInt(), 120);
    EXPECT_TRUE(waitUntil([&] { return onlyMainWindowShown(program); }));
    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    EXPECT_TRUE(program.finished());
    // The folder is remembered for the next time.
    QSettings settings(home.path() + QStringLiteral("/config/Quillon/Vardo/Quillon 2002.ini"), QSettings::IniFormat);
    EXPECT_TRUE(settings.value(QStringLiteral("Options/CheminImagesPerso")).toString().endsWith(QStringLiteral("pictures")));
}

// The image editor opened from the main window: a drawing handed back when
// closed with saving, nothing when closed without.
TEST(Automation, TheEditorHandsBackWhatWasDrawnOnlyWhenSaved)
{
    QTemporaryDir home;
    Program program(home.path());
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    program.command({{"cmd", "answer"}, {"button", "Fermer"}});
    const QString before = home.filePath(QStringLiteral("before.png")), after = home.filePath(QStringLiteral("after.png"));
    auto save = [&](const QString &file) {
        program.command({{"cmd", "invoke"}, {"object", "TForm1"}, {"method", "SaveImageAs"}, {"args", QJsonArray{file}}});
        return QImage(file);
    };
    auto draw = [&](const char *closeButton) {
        const QJsonObject opened = program.command({{"cmd", "click"}, {"object", "EditBtn"}});
        EXPECT_EQ(opened.value("modal").toString(), QStringLiteral("Edition de l'image"));
        program.command({{"cmd", "click"}, {"object", "TEditeur/rectangle"}});
        program.command({{"cmd", "mouse"}, {"object", "TEditeur/Image"}, {"action", "drag"}, {"x", 10}, {"y", 10},
                         {"to_x", 60}, {"to_y", 40}});
        EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", QStringLiteral("TEditeur/") + closeButton}}).value("ok").toBool());
        program.command({{"cmd", "idle"}});
    };
    const QImage original = save(before);
    ASSERT_FALSE(original.isNull());

    draw("CloseNBtn");
    EXPECT_EQ(save(after), original);
    draw("CloseYBtn");
    const QImage drawn = save(after);
    EXPECT_EQ(drawn.size(), original.size());
    EXPECT_NE(drawn, original);
    EXPECT_EQ(drawn.pixelColor(10, 25), QColor(Qt::black)); // the rectangle's left side in the pen's colour
    EXPECT_TRUE(program.command({{"cmd", "messages"}}).value("messages").toArray().isEmpty());
    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    EXPECT_TRUE(program.finished());
}

// The effects dialog opened by the corrections column: an effect applied and
// brought back to the main window's picture.
TEST(Automation, TheEffectsDialogAppliesAnEffectToThePicture)
{
    QTemporaryDir home;
    Program program(home.path());
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    program.command({{"cmd", "answer"}, {"button", "Fermer"}});
    auto save = [&](const QString &name) {
        const QString file = home.filePath(name);
        program.command({{"cmd", "invoke"}, {"object", "TForm1"}, {"method", "SaveImageAs"}, {"args", QJsonArray{file}}});
        return QImage(file);
    };
    const QImage original = save(QStringLiteral("before.png"));
    EXPECT_EQ(program.command({{"cmd", "click"}, {"object", "FXBtn"}}).value("modal").toString(),
              QStringLiteral("Filtres et effets"));
    program.command({{"cmd", "invoke"}, {"object", "EffectForm"}, {"method", "showPage"}, {"args", QJsonArray{"Inversion"}}});
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "EffectForm/ResetRubberbandBtn"}}).value("ok").toBool());
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "EffectForm/ApplyBtn"}}).value("ok").toBool());
    EXPECT_TRUE(waitUntil([&] { return program.property("EffectForm/exBtn", "enabled").toBool(); }));
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "EffectForm/exBtn"}}).value("ok").toBool());
    program.command({{"cmd", "idle"}});
    const QImage inverted = save(QStringLiteral("after.png"));
    ASSERT_EQ(inverted.size(), original.size());
    const QPoint at(original.width() / 2, original.height() / 3);
    EXPECT_EQ(inverted.pixel(at), qRgb(255 - qRed(original.pixel(at)), 255 - qGreen(original.pixel(at)), 255 - qBlue(original.pixel(at))));
    EXPECT_TRUE(program.property("UndoBtn", "visible").toBool());
    EXPECT_TRUE(program.command({{"cmd", "messages"}}).value("messages").toArray().isEmpty());
    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    EXPECT_TRUE(program.finished());
}

// "quillon FILE" opens the picture, and a page file the picture saved beside it, in the window.
TEST(Automation, OpensThePictureNamedOnTheCommandLine)
{
    QTemporaryDir home;
    const QString picture = home.filePath(QStringLiteral("given.png"));
    QImage image(123, 45, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(picture));
    QFile page(home.filePath(QStringLiteral("given.qpx")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("[Image]\nLeft=20\nTop=30\nWidth=61\nHeight=22\n");
    page.close();
    for (const QString &file : {picture, page.fileName()}) {
        Program program(home.path(), {}, {file});
        ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
        program.command({{"cmd", "answer"}, {"button", "Fermer"}});
        program.command({{"cmd", "idle"}});
        EXPECT_EQ(program.property("Image", "pictureWidth").toInt(), 123) << file.toStdString();
        EXPECT_EQ(program.property("Image", "geometry").toObject().value("x").toInt(), 20) << file.toStdString();
        EXPECT_EQ(program.property("TForm1", "windowTitle").toString(), QStringLiteral("Quillon 2002 : fichier given.png"));
        EXPECT_TRUE(program.command({{"cmd", "messages"}}).value("messages").toArray().isEmpty());
        EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
        EXPECT_TRUE(program.finished());
    }
}

namespace {

// A program past its tips, ready for the copy button.
void closeTheTips(Program &program)
{
    ASSERT_TRUE(program.waitForModal(QStringLiteral("Trucs et astuces")));
    program.command({{"cmd", "answer"}, {"button", "Fermer"}});
}

// The copy button, the presets answered "keep the scanner's settings".
void copy(Program &program)
{
    EXPECT_EQ(program.command({{"cmd", "click"}, {"object", "GoBtn"}}).value("modal").toString(),
              QStringLiteral("Réglages prédéfinis du scanner"));
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "MMBitmapButton6"}}).value("ok").toBool());
    program.command({{"cmd", "idle"}});
}

} // namespace

// A scanner that fails stops the copy: one message naming the reason, nothing
// printed, the picture on the sheet as it was, no window left over it.
TEST(Automation, AFailedScanStopsTheCopyAndSaysWhy)
{
    struct Case {
        const char *status;
        const char *reason;
    };
    const Case cases[] = {{"SANE_STATUS_JAMMED", "bourrage"},
                          {"SANE_STATUS_NO_DOCS", "pas de document"},
                          {"SANE_STATUS_COVER_OPEN", "capot"},
                          {"SANE_STATUS_DEVICE_BUSY", "occupé"},
                          {"SANE_STATUS_IO_ERROR", "communication"}};
    for (const Case &c : cases) {
        TestScanner scanner(QByteArray("read-status-code \"") + c.status + "\"\n");
        QTemporaryDir home;
        Program program(home.path());
        closeTheTips(program);
        const int before = program.property("Image", "pictureWidth").toInt();
        copy(program);
        // The scan's own loop goes on taking commands: the message comes when the scan has ended.
        QJsonArray messages;
        EXPECT_TRUE(waitUntil([&] {
            messages = program.command({{"cmd", "messages"}}).value("messages").toArray();
            return !messages.isEmpty();
        })) << c.status;
        ASSERT_EQ(messages.size(), 1) << c.status;
        EXPECT_TRUE(messages[0].toString().contains(QString::fromUtf8(c.reason))) << messages[0].toString().toStdString();
        EXPECT_FALSE(QFile::exists(home.filePath(QStringLiteral("out.pdf")))) << c.status;
        EXPECT_EQ(program.property("Image", "pictureWidth").toInt(), before) << c.status;
        EXPECT_TRUE(onlyMainWindowShown(program)) << c.status;
        EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
        EXPECT_TRUE(program.finished()) << c.status;
    }
}

// The feeder's ten pages all print, in one job, in as many copies as asked;
// the PDF printer numbers its files and the status line names the last.
TEST(Automation, TheFeedersPagesPrintInOneJobToNumberedFiles)
{
    TestScanner scanner;
    QTemporaryDir home;
    Program program(home.path(), QStringLiteral("pdf"));
    closeTheTips(program);
    program.command({{"cmd", "type"}, {"object", "SpinEdit"}, {"text", "2"}, {"key", "Return"}});
    const QString first = home.filePath(QStringLiteral("Documents/Quillon.pdf"));
    const QString second = home.filePath(QStringLiteral("Documents/Quillon-2.pdf"));
    auto printedTo = [&](const QString &file) {
        return waitUntil([&] { return program.property("TForm1", "Status").toString().contains(file); });
    };
    copy(program);
    EXPECT_TRUE(printedTo(first));
    EXPECT_TRUE(program.command({{"cmd", "messages"}}).value("messages").toArray().isEmpty());
    EXPECT_EQ(pdfPageCount(first), 20);
    copy(program);
    EXPECT_TRUE(printedTo(second));
    EXPECT_EQ(pdfPageCount(second), 20);
    EXPECT_TRUE(program.property("TForm1", "Status").toString().contains(second))
        << program.property("TForm1", "Status").toString().toStdString();
    EXPECT_EQ(pdfPageCount(first), 20); // the first copy is still there
    EXPECT_TRUE(onlyMainWindowShown(program));
    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    EXPECT_TRUE(program.finished());
}

// The identity card from the window: the "Copie" dialog's card copy asks to
// turn the card between its faces; both faces go on one sheet, and a user who
// declines gets nothing printed and no window left over the main one.
TEST(Automation, AnIdentityCardIsCopiedFaceAfterFace)
{
    TestScanner scanner;
    QTemporaryDir home;
    const QString pdf = home.filePath(QStringLiteral("out.pdf"));
    Program program(home.path());
    closeTheTips(program);
    EXPECT_EQ(program.command({{"cmd", "menu"}, {"path", QJsonArray{"&Options", "&Copie..."}}}).value("modal").toString(),
              QStringLiteral("Copie"));
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "CopyOptions/CarteIdentite"}}).value("ok").toBool());
    EXPECT_TRUE(program.command({{"cmd", "click"}, {"object", "CopyOptions/OKBtn"}}).value("ok").toBool());
    const QJsonArray turnTheCard{QStringLiteral("Retournez la carte sur la vitre du scanner. Numériser le verso maintenant ?")};

    program.command({{"cmd", "message_answer"}, {"button", "Non"}});
    copy(program);
    EXPECT_TRUE(waitUntil([&] { return program.property("TForm1", "Status").toString().contains(QStringLiteral("abandonnée")); }));
    EXPECT_EQ(program.command({{"cmd", "messages"}}).value("messages").toArray(), turnTheCard);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(onlyMainWindowShown(program));

    program.command({{"cmd", "message_answer"}, {"button", "Oui"}});
    copy(program);
    EXPECT_TRUE(waitUntil([&] { return program.property("TForm1", "Status").toString().contains(pdf); }));
    EXPECT_EQ(program.command({{"cmd", "messages"}}).value("messages").toArray(), turnTheCard);
    EXPECT_EQ(pdfPageCount(pdf), 1);
    EXPECT_TRUE(onlyMainWindowShown(program));
    EXPECT_TRUE(program.command({{"cmd", "quit"}}).value("ok").toBool());
    EXPECT_TRUE(program.finished());
}
