#include "app/StartOptions.h"

#include "res/VersionText.h"

#include <QCommandLineParser>

#include <array>
#include <cstdio>

namespace {

// The options Qt's application object reads itself; each is accepted and left for it.
struct QtOption {
    const char* name;
    bool takesValue;
};

constexpr std::array kQtOptions{
    QtOption{"platform", true},
    QtOption{"platformpluginpath", true},
    QtOption{"platformtheme", true},
    QtOption{"plugin", true},
    QtOption{"qwindowgeometry", true},
    QtOption{"qwindowicon", true},
    QtOption{"qwindowtitle", true},
    QtOption{"display", true},
    QtOption{"geometry", true},
    QtOption{"title", true},
    QtOption{"name", true},
    QtOption{"style", true},
    QtOption{"stylesheet", true},
    QtOption{"session", true},
    QtOption{"reverse", false},
    QtOption{"nograb", false},
    QtOption{"dograb", false},
    QtOption{"widgetcount", false},
};

void AddQtOptions(QCommandLineParser& parser) {
    for (const QtOption& each : kQtOptions) {
        QCommandLineOption option(QString::fromLatin1(each.name));
        if (each.takesValue) {
            option.setValueName(QStringLiteral("value"));
        }
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

} // namespace

int ReadStartOptions(const QStringList& arguments, StartOptions& options) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Opens the Keldwick window. The About box is in the window's context menu\n"
                       "(right-click an empty part of the window) and opens with Ctrl+Shift+A.\n"
                       "Qt's own options (-platform, -style, -display and the like) are passed "
                       "to Qt."));
    // Qt's options are written with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Print the version record and exit."));
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),
        QStringLiteral("Write each call to the account service to standard error (passwords "
                       "masked), and the reason a failed call failed."));
    parser.addOptions({help, version, verbose});
    AddQtOptions(parser);
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.positionalArguments().isEmpty()
                                    ? parser.errorText()
                                    : QStringLiteral("unexpected argument \"%1\"")
                                          .arg(parser.positionalArguments().constFirst());
        std::fprintf(stderr, "keldwick: %s\nRun \"keldwick --help\" for the options.\n",
                     qPrintable(problem));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                        QStringLiteral("keldwick"))),
                   stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs(res::VersionText().c_str(), stdout);
        return 0;
    }
    options.verbose = parser.isSet(verbose);
    return -1;
}
