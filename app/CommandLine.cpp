#include "CommandLine.h"

#include "Exception.h"
#include "HeadlessCopy.h"
#include "Identity.h"
#include "Printer.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// The commands, what each does, and how each is called.
struct Command {
    const char *name;
    const char *description;
    const char *usage;
};
const Command Commands[] = {
    {"copy", "Numérise une page (ou toutes celles du chargeur) et l'imprime.", "quillon copy [options]"},
    {"print", "Imprime des images, une feuille chacune, en un seul travail.", "quillon print [options] FICHIER..."},
    {"scan", "Numérise une page dans un fichier PNG, JPEG, TIFF ou PDF.", "quillon scan [options] SORTIE"},
};

const Command *commandNamed(const QString &name)
{
    for (const Command &command : Commands)
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

QString commandDescription(const QString &name)
{
    const Command *command = commandNamed(name);
    return command ? QString::fromUtf8(command->description) : QString();
}

QString usageOf(const QString &name)
{
    const Command *command = commandNamed(name);
    return command ? QString::fromUtf8(command->usage) : QString();
}

// Qt's help begins with a usage line of its own, without the command: ours replaces it.
QString withUsage(const QString &help, const QString &usage)
{
    return QStringLiteral("Usage : %1\n\n").arg(usage) + help.section(QLatin1Char('\n'), 1);
}

// Qt's own help option speaks English: ours says the same in French.
void addHelpOption(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Affiche cette aide.")));
}

void say(const QString &line)
{
    std::fprintf(stderr, "quillon : %s\n", line.toLocal8Bit().constData());
}

// Options shared by the commands; each command takes those it needs.
struct Options {
    QCommandLineOption scanner{QStringLiteral("scanner"),
                               QStringLiteral("Scanner (nom de périphérique SANE) ; par défaut le dernier choisi, sinon le premier."),
                               QStringLiteral("périphérique")};
    QCommandLineOption mode{QStringLiteral("mode"), QStringLiteral("bw (noir et blanc), gray (niveaux de gris) ou color (couleur, par défaut)."),
                            QStringLiteral("mode"), QStringLiteral("color")};
    QCommandLineOption resolution{QStringLiteral("resolution"), QStringLiteral("Résolution de numérisation en points par pouce (300 par défaut)."),
                                  QStringLiteral("dpi"), QStringLiteral("300")};
    QCommandLineOption allPages{QStringLiteral("all-pages"), QStringLiteral("Toutes les pages du chargeur de documents.")};
    QCommandLineOption frame{QStringLiteral("frame"),
                             QStringLiteral("Ce qui est numérisé : a4 (par défaut), a5, b5, letter, legal, auto (le cadre du "
                                            "scanner) ou LxH millimètres depuis le coin de la vitre."),
                             QStringLiteral("frame"), QStringLiteral("a4")};
    QCommandLineOption printer = printerOption();
    QCommandLineOption copies{QStringLiteral("copies"), QStringLiteral("Nombre d'exemplaires, de 1 à 9999 (1 par défaut)."),
                              QStringLiteral("n"), QStringLiteral("1")};
    QCommandLineOption fit{QStringLiteral("fit"), QStringLiteral("Remplit la zone imprimable, comme la fenêtre place une nouvelle image.")};
    QCommandLineOption trueSize{QStringLiteral("true-size"),
                                QStringLiteral("Imprime à la taille de l'original, réduite seulement si elle ne tient pas (par défaut).")};
    QCommandLineOption yes{QStringLiteral("yes"),
                           QStringLiteral("Imprime aussi un travail de plus de 1000 feuilles (refusé sinon).")};
    QCommandLineOption duplicate{QStringLiteral("duplicate"), QStringLiteral("Répète l'image sur toute la feuille.")};
    QCommandLineOption poster{QStringLiteral("poster"), QStringLiteral("Poster de LxH millimètres sur plusieurs feuilles."),
                              QStringLiteral("LxH")};
    // The copy's cleaning, gathering and printing options, as the window's "Copie" dialog has them.
    QCommandLineOption straighten{QStringLiteral("straighten"), QStringLiteral("Redresse chaque page (jusqu'à 15°).")};
    QCommandLineOption crop{QStringLiteral("crop"), QStringLiteral("Ne garde que le document trouvé sur la vitre.")};
    QCommandLineOption whiten{QStringLiteral("whiten"), QStringLiteral("Blanchit le fond du papier et garde l'encre.")};
    QCommandLineOption perSheet{QStringLiteral("per-sheet"), QStringLiteral("Originaux par feuille : 1 (par défaut), 2 ou 4."),
                                QStringLiteral("n"), QStringLiteral("1")};
    QCommandLineOption idCard{QStringLiteral("id-card"),
                              QStringLiteral("Carte d'identité : numérise le recto, attend Entrée, numérise le verso, "
                                             "les deux faces à leur taille sur une feuille.")};
    QCommandLineOption bothSides{QStringLiteral("both-sides"),
                                 QStringLiteral("Les deux faces de chaque feuille du chargeur (chargeur recto verso).")};
    QCommandLineOption twoSided{QStringLiteral("two-sided"), QStringLiteral("Imprime en recto verso là où l'imprimante le peut.")};
    QCommandLineOption jpeg{QStringLiteral("jpeg"), QStringLiteral("Pages en couleur en JPEG : fichiers plus petits, copie non exacte.")};
    QCommandLineOption noCollate{QStringLiteral("no-collate"), QStringLiteral("Exemplaires non assemblés (1 1, 2 2…).")};
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
    request.largeJobConfirmed = parser.isSet(o.yes);
    request.copy.straighten = parser.isSet(o.straighten);
    request.copy.crop = parser.isSet(o.crop);
    request.copy.whiten = parser.isSet(o.whiten);
    request.copy.identityCard = parser.isSet(o.idCard);
    request.copy.perSheet = integerOption(parser, o.perSheet, 1, 4);
    if (request.copy.perSheet == 3)
        throw platform::Exception(QStringLiteral("--per-sheet est 1, 2 ou 4"));
    request.copy.twoSided = parser.isSet(o.twoSided);
    request.copy.jpegColour = parser.isSet(o.jpeg);
    request.copy.collate = !parser.isSet(o.noCollate);
    if ((request.copy.originalsPerSheet() > 1 || request.copy.identityCard) && (request.duplicate || parser.isSet(o.poster)))
        throw platform::Exception(QStringLiteral("--per-sheet et --id-card s'excluent avec --duplicate et --poster"));
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
    parser.setApplicationDescription(commandDescription(command));
    addHelpOption(parser);
    const bool scans = command != QLatin1String("print");
    const bool prints = command != QLatin1String("scan");
    if (scans)
        parser.addOptions({o.scanner, o.mode, o.resolution, o.frame});
    if (command == QLatin1String("copy"))
        parser.addOptions({o.allPages, o.bothSides, o.idCard});
    if (prints)
        parser.addOptions({o.printer, o.copies, o.fit, o.trueSize, o.duplicate, o.poster, o.yes, o.straighten, o.crop,
                           o.whiten, o.perSheet, o.twoSided, o.jpeg, o.noCollate});
    if (command == QLatin1String("print"))
        parser.addPositionalArgument(QStringLiteral("fichiers"), QStringLiteral("Les images à imprimer, une feuille chacune."),
                                     QStringLiteral("FICHIER..."));
    if (command == QLatin1String("scan"))
        parser.addPositionalArgument(QStringLiteral("sortie"),
                                     QStringLiteral("L'image à écrire : .png, .jpg, .tif ou .pdf."), QStringLiteral("SORTIE"));
    QStringList withoutCommand = arguments;
    withoutCommand.removeAt(1);
    if (!parser.parse(withoutCommand))
        throw platform::Exception(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << withUsage(parser.helpText(), usageOf(command));
        return 0;
    }

    const headless::Report progress = isatty(STDERR_FILENO) ? headless::Report(say) : headless::Report();
    const QStringList positional = parser.positionalArguments();
    if (command == QLatin1String("copy")) {
        if (!positional.isEmpty())
            throw platform::Exception(QStringLiteral("argument en trop : %1").arg(positional.first()));
        const headless::PrintRequest print = printRequest(parser, o);
        // A card's back is scanned once the user has turned it on the glass.
        const headless::Ask turnTheCard = [] {
            say(QStringLiteral("retournez la carte sur la vitre, puis appuyez sur Entrée"));
            QTextStream input(stdin);
            return !input.readLine().isNull();
        };
        // only the copy takes the feeder's pages: "scan" writes one picture
        headless::ScanRequest scan = scanRequest(parser, o);
        scan.bothSides = parser.isSet(o.bothSides);
        scan.allPages = parser.isSet(o.allPages) || scan.bothSides;
        say(QStringLiteral("copie %1").arg(
            composition::whereItWent(headless::copyPages(scan, print, progress, say, turnTheCard))));
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

QCommandLineOption printerOption()
{
    return QCommandLineOption(QStringLiteral("printer"),
                              QStringLiteral("Imprimante : none (aucune), system (celle par défaut), pdf (le fichier PDF "
                                             "numéroté dans Documents), le nom d'une file CUPS, ou "
                                             "pdf:FICHIER[,dpi=N][,paper=A4][,margins=MM]."),
                              QStringLiteral("imprimante"));
}

Launch launchOf(int argc, char **argv)
{
    if (argc >= 2 && commandNamed(QString::fromLocal8Bit(argv[1])))
        return Launch::Command;
    for (int i = 1; i < argc; ++i)
        for (const char *information : {"-h", "--help", "-v", "--version"})
            if (std::strcmp(argv[i], information) == 0)
                return Launch::Information;
    return Launch::Window;
}

namespace {

struct WindowParser {
    QCommandLineParser parser;
    QCommandLineOption printer = printerOption();
    QCommandLineOption automation{QStringLiteral("automation"),
                                  QStringLiteral("Reçoit des commandes JSON sur l'entrée standard, une par ligne, et "
                                                 "répond sur la sortie standard.")};

    WindowParser()
    {
        parser.setApplicationDescription(identity::Title + QStringLiteral(
            " : le photocopieur.  Sans commande, ouvre la fenêtre, avec l'image ou la page FICHIER.\n\n"
            "Commandes (quillon COMMANDE --help les décrit) :\n"
            "  copy   numérise une page (ou toutes celles du chargeur) et l'imprime\n"
            "  print  imprime des images, une feuille chacune\n"
            "  scan   numérise une page dans un fichier"));
        addHelpOption(parser);
        parser.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                            QStringLiteral("Affiche la version du programme.")));
        parser.addOptions({printer, automation});
        parser.addPositionalArgument(QStringLiteral("fichier"), QStringLiteral("Une image ou une page à ouvrir."),
                                     QStringLiteral("[FICHIER...]"));
    }

    // The arguments read; false after saying why on standard error.
    bool parse(const QStringList &arguments)
    {
        if (!parser.parse(arguments)) {
            say(parser.errorText());
            return false;
        }
        for (const QString &file : parser.positionalArguments())
            if (!QFileInfo::exists(file)) {
                say(QStringLiteral("« %1 » n'est ni une commande (copy, print, scan) ni un fichier").arg(file));
                return false;
            }
        return true;
    }
};

} // namespace

int showInformation(const QStringList &arguments)
{
    WindowParser window;
    if (!window.parse(arguments))
        return 1;
    if (window.parser.isSet(QStringLiteral("version")))
        QTextStream(stdout) << QStringLiteral("%1 version %2\n").arg(identity::Title, QStringLiteral(QUILLON_VERSION));
    else
        QTextStream(stdout) << withUsage(window.parser.helpText(),
                                         QStringLiteral("quillon [options] [FICHIER...]\n        ")
                                             + QString::fromUtf8(Commands[0].usage) + QStringLiteral("\n        ")
                                             + QString::fromUtf8(Commands[1].usage) + QStringLiteral("\n        ")
                                             + QString::fromUtf8(Commands[2].usage));
    return 0;
}

std::optional<WindowOptions> windowOptions(const QStringList &arguments)
{
    WindowParser window;
    if (!window.parse(arguments))
        return std::nullopt;
    WindowOptions options;
    options.automation = window.parser.isSet(window.automation);
    options.files = window.parser.positionalArguments();
    if (window.parser.isSet(window.printer)) {
        QString why;
        const std::optional<platform::PrinterChoice> choice = platform::Printer::parseChoice(window.parser.value(window.printer), &why);
        if (!choice) {
            say(why);
            return std::nullopt;
        }
        options.printer = *choice;
    }
    return options;
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
