#include "CommandLine.h"

#include "Exception.h"
#include "HeadlessCopy.h"
#include "Printer.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

const char *const Commands[] = {"copy", "print", "scan"};

void say(const QString &line)
{
    std::fprintf(stderr, "quillon: %s\n", line.toLocal8Bit().constData());
}

// Options shared by the commands; each command takes those it needs.
struct Options {
    QCommandLineOption scanner{QStringLiteral("scanner"),
                               QStringLiteral("Scanner (SANE device name); default: the last chosen, else the first one."),
                               QStringLiteral("device")};
    QCommandLineOption mode{QStringLiteral("mode"), QStringLiteral("bw, gray or color (default color)."),
                            QStringLiteral("mode"), QStringLiteral("color")};
    QCommandLineOption resolution{QStringLiteral("resolution"), QStringLiteral("Scan resolution in dpi (default 300)."),
                                  QStringLiteral("dpi"), QStringLiteral("300")};
    QCommandLineOption allPages{QStringLiteral("all-pages"), QStringLiteral("Every page of the document feeder.")};
    QCommandLineOption frame{QStringLiteral("frame"),
                             QStringLiteral("What to scan: a4, a5, b5, letter, legal, auto (the scanner's own) or WxH "
                                            "millimetres from the glass's corner (default a4)."),
                             QStringLiteral("frame"), QStringLiteral("a4")};
    QCommandLineOption printer{QStringLiteral("printer"),
                               QStringLiteral("Printer: its name, system, or pdf:FILE[,dpi=N][,paper=A4][,margins=MM]."),
                               QStringLiteral("printer")};
    QCommandLineOption copies{QStringLiteral("copies"), QStringLiteral("Number of copies, 1 to 9999 (default 1)."),
                              QStringLiteral("n"), QStringLiteral("1")};
    QCommandLineOption fit{QStringLiteral("fit"), QStringLiteral("Fill the printable area, as the window places a new picture.")};
    QCommandLineOption trueSize{QStringLiteral("true-size"),
                                QStringLiteral("Print at the original's size, reduced only when it does not fit (default).")};
    QCommandLineOption duplicate{QStringLiteral("duplicate"), QStringLiteral("Repeat the picture over the sheet.")};
    QCommandLineOption poster{QStringLiteral("poster"), QStringLiteral("Poster of WxH millimetres over several sheets."),
                              QStringLiteral("WxH")};
};

int integerOption(const QCommandLineParser &parser, const QCommandLineOption &option, int low, int high)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < low || value > high)
        throw platform::Exception(QStringLiteral("--%1 doit être un nombre de %2 à %3")
                                      .arg(option.names().first()).arg(low).arg(high));
    return value;
}

headless::ScanRequest scanRequest(const QCommandLineParser &parser, const Options &o)
{
    headless::ScanRequest request;
    request.device = parser.value(o.scanner);
    const QString mode = parser.value(o.mode);
    if (mode == QLatin1String("bw"))
        request.pixelType = pxBW;
    else if (mode == QLatin1String("gray"))
        request.pixelType = pxGray;
    else if (mode == QLatin1String("color"))
        request.pixelType = pxRGB;
    else
        throw platform::Exception(QStringLiteral("--mode est bw, gray ou color"));
    request.resolution = integerOption(parser, o.resolution, 10, 1200);
    request.allPages = parser.optionNames().contains(o.allPages.names().first());
    const QString frame = parser.value(o.frame).toLower();
    static const std::pair<const char *, TcsFrameSize> frames[] = {
        {"a4", fsA4}, {"a5", fsA5}, {"b5", fsB5}, {"letter", fsLetter}, {"legal", fsLegal}, {"auto", fsDetected}};
    const auto named = std::find_if(std::begin(frames), std::end(frames),
                                    [&](const auto &entry) { return frame == QLatin1String(entry.first); });
    if (named != std::end(frames)) {
        request.frame = named->second;
    } else {
        const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("^(\\d{1,3})x(\\d{1,3})$")).match(frame);
        if (!size.hasMatch() || size.captured(1).toInt() < 1 || size.captured(2).toInt() < 1)
            throw platform::Exception(QStringLiteral("--frame est a4, a5, b5, letter, legal, auto ou LARGEURxHAUTEUR en millimètres"));
        request.frame = fsCustom;
        request.frameMm = QSizeF(size.captured(1).toInt(), size.captured(2).toInt());
    }
    return request;
}

headless::PrintRequest printRequest(const QCommandLineParser &parser, const Options &o)
{
    headless::PrintRequest request;
    if (parser.isSet(o.fit) && parser.isSet(o.trueSize))
        throw platform::Exception(QStringLiteral("--fit et --true-size s'excluent"));
    request.placement = parser.isSet(o.fit) ? headless::Placement::Fit : headless::Placement::TrueSize;
    request.duplicate = parser.isSet(o.duplicate);
    request.copies = integerOption(parser, o.copies, 1, 9999);
    if (parser.isSet(o.poster)) {
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("^(\\d{1,4})x(\\d{1,4})$")).match(parser.value(o.poster));
        const int w = size.captured(1).toInt(), h = size.captured(2).toInt();
        if (!size.hasMatch() || w < 1 || h < 1 || w > 2970 || h > 2970)
            throw platform::Exception(QStringLiteral("--poster attend LARGEURxHAUTEUR en millimètres, de 1 à 2970"));
        if (request.duplicate)
            throw platform::Exception(QStringLiteral("--poster et --duplicate s'excluent"));
        request.posterMm = QSize(w, h);
    }
    if (parser.isSet(o.printer)) {
        QString why;
        const std::optional<platform::PrinterChoice> choice = platform::Printer::parseChoice(parser.value(o.printer), &why);
        if (!choice)
            throw platform::Exception(why);
        if (!platform::Printer::instance().use(*choice))
            throw platform::Exception(QStringLiteral("aucune imprimante « %1 »").arg(choice->systemName));
    }
    if (!platform::Printer::instance().hasPrinter())
        throw platform::Exception(QStringLiteral("aucune imprimante"));
    return request;
}

int run(const QStringList &arguments)
{
    const QString command = arguments.value(1);
    Options o;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quillon %1: scan and print without the window.").arg(command));
    parser.addHelpOption();
    const bool scans = command != QLatin1String("print");
    const bool prints = command != QLatin1String("scan");
    if (scans)
        parser.addOptions({o.scanner, o.mode, o.resolution, o.frame});
    if (command == QLatin1String("copy"))
        parser.addOption(o.allPages);
    if (prints)
        parser.addOptions({o.printer, o.copies, o.fit, o.trueSize, o.duplicate, o.poster});
    if (command == QLatin1String("print"))
        parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Pictures to print, one sheet each."),
                                     QStringLiteral("FILE..."));
    if (command == QLatin1String("scan"))
        parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("The picture to write: .png, .jpg, .tif or .pdf."),
                                     QStringLiteral("OUT"));
    QStringList withoutCommand = arguments;
    withoutCommand.removeAt(1);
    if (!parser.parse(withoutCommand))
        throw platform::Exception(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return 0;
    }

    const headless::Report progress = isatty(STDERR_FILENO) ? headless::Report(say) : headless::Report();
    const QStringList positional = parser.positionalArguments();
    if (command == QLatin1String("copy")) {
        if (!positional.isEmpty())
            throw platform::Exception(QStringLiteral("argument en trop : %1").arg(positional.first()));
        const headless::PrintRequest print = printRequest(parser, o);
        say(QStringLiteral("copie %1").arg(composition::whereItWent(
            headless::printPictures(headless::scanPages(scanRequest(parser, o), progress), print, progress, say))));
        return 0;
    }
    if (command == QLatin1String("print")) {
        if (positional.isEmpty())
            throw platform::Exception(QStringLiteral("aucun fichier à imprimer"));
        const headless::PrintRequest print = printRequest(parser, o);
        // Every file is read before anything prints: a bad one stops the whole run.
        std::vector<QImage> pictures;
        for (const QString &file : positional)
            pictures.push_back(headless::readPicture(file));
        say(QStringLiteral("copie %1").arg(composition::whereItWent(headless::printPictures(pictures, print, progress, say))));
        return 0;
    }
    if (command == QLatin1String("scan")) {
        if (positional.size() != 1)
            throw platform::Exception(QStringLiteral("il faut un et un seul fichier de sortie"));
        headless::writePicture(headless::scanPages(scanRequest(parser, o), progress).front(), positional.first());
        return 0;
    }
    throw platform::Exception(QStringLiteral("commande inconnue : %1").arg(command));
}

} // namespace

bool isCommand(int argc, char **argv)
{
    if (argc < 2)
        return false;
    for (const char *command : Commands)
        if (std::strcmp(argv[1], command) == 0)
            return true;
    return false;
}

int runCommand(const QStringList &arguments)
{
    try {
        return run(arguments);
    } catch (const std::exception &error) {
        say(QString::fromUtf8(error.what()));
        return 1;
    }
}
