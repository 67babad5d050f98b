#include "startup.h"
#include "zentavoapplication.h"

#include <QCommandLineParser>

#include <cstring>

namespace {

// --help and --version answer on the terminal, with no display needed; the
// program takes no other option, its settings live in iniFw.ini.
void answerCommandLine(QCoreApplication& app) {
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTAVO_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Zentavo房屋出租管理系统"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
}

bool asksTerminal(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (asksTerminal(argc, argv)) {
        QCoreApplication terminal(argc, argv);
        answerCommandLine(terminal);
        return 0;
    }
    ZentavoApplication app(argc, argv);
    // Beside the program when an iniFw.ini is there, else the user's own.
    return runStartup(app, prepareIniForRun());
}
