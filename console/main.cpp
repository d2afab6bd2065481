// SPDX-License-Identifier: GPL-3.0-or-later
// horlo-console: the host console. It loads a module library, asks it for its
// snap-in and shows the snap-in's navigator and viewer, offering the module
// the console's services (connection, employee chooser, date picker, print wizard).
#include "console/ConsoleArguments.h"
#include "console/ConsoleServices.h"
#include "console/ConsoleStrings.h"
#include "console/ConsoleWindow.h"
#include "console/ModuleLoader.h"
#include "console/PrintWizard.h"
#include "console/QtTranslation.h"
#include "host/data/Database.h"
#include "host/data/ListWriter.h"
#include "host/data/SysUtils.h"
#include "host/ui/Application.h"
#include "host/ui/Dialogs.h"

#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "HorloVersion.h"

namespace {

void PrintError(const QString& message) {
    // what a name or an argument holds never reaches the terminal raw, nor does the
    // password of a URL repeated
    QStringList lines = message.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = PrintableText(TConnectionParams::WithoutPasswords(line));
    std::fprintf(stderr, "horlo-console: %s\n", lines.join(QLatin1Char('\n')).toLocal8Bit().constData());
}

// Qt ends the program (abort, status 134) when no window system can be reached. While
// the application is made, that is said in a sentence instead, with Qt's own reason,
// and the program ends as for bad usage; Qt's warnings wait to be shown until it
// is known that the application was made.
QtMessageHandler g_qtMessages = nullptr;
QList<std::pair<QtMsgType, QString>> g_startMessages;

void StartMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        g_startMessages.append({type, message});
        return;
    }
    const QString display = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                ? qEnvironmentVariable("DISPLAY")
                                : qEnvironmentVariable("WAYLAND_DISPLAY");
    // Qt's first word on it ("could not connect to display :99"), or the first
    // sentence of its last, which advises reinstalling
    const QString reason =
        g_startMessages.isEmpty() ? message.section(QLatin1Char('.'), 0, 0) : g_startMessages.first().second;
    const QString sentence = display.isEmpty() ? QString::fromUtf8(_CON_NO_DISPLAY_ERR)
                                               : Format(_CON_DISPLAY_ERR, {display, reason});
    PrintError(sentence + QLatin1Char(' ') + QString::fromUtf8(_CON_DISPLAY_HINT));
    std::fflush(stderr);
    std::_Exit(kConsoleExitUsage);
}

void EndOfStart() {
    qInstallMessageHandler(g_qtMessages);
    for (const auto& [type, message] : g_startMessages)
        qt_message_output(type, QMessageLogContext(), message);
    g_startMessages.clear();
}

// Errors before the window is there: always on stderr, and in a box when someone can see it.
void StartupError(const QString& message) {
    PrintError(message);
    if (!TDialogScript::Unattended()) ShowError(message);
}

} // namespace

int main(int argc, char** argv) {
    // read before the application is made, which needs a display
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const TConsoleArguments args = ParseConsoleArguments(arguments);
    switch (args.action) {
    case TConsoleArguments::TAction::Help:
        std::fputs(ConsoleHelp().toLocal8Bit().constData(), stdout);
        return kConsoleExitOk;
    case TConsoleArguments::TAction::Version:
        std::printf("horlo-console %s\n", kHorloVersion);
        return kConsoleExitOk;
    case TConsoleArguments::TAction::Refused:
        PrintError(args.error + QStringLiteral(" (horlo-console --help kaže više)"));
        return kConsoleExitUsage;
    case TConsoleArguments::TAction::Run:
        break;
    }
    TConnectionParams params;
    try {
        params = !args.db.isEmpty()       ? TConnectionParams::FromUrl(args.db)
                 : !args.dbFile.isEmpty() ? TConnectionParams::FromFile(args.dbFile)
                                          : TConnectionParams::FromEnvironment();
    } catch (const EDatabaseError& e) {
        PrintError(e.Message());
        return kConsoleExitUsage;
    }

    g_qtMessages = qInstallMessageHandler(StartMessages);
    TApplication app(argc, argv);
    EndOfStart();
    QCoreApplication::setApplicationName(QStringLiteral("horlo-console"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kHorloVersion));
    QLocale::setDefault(QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia));
    // before any window, also the module's, which run in this process
    if (!InstallQtTranslation()) PrintError(QStringLiteral("Qt-ovi tekstovi nisu prevedeni"));
    // without a screen nobody can answer a box: boxes take their defaults
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        TDialogScript::SetUnattended(true);
    if (!args.printPdf.isEmpty()) TPrintWizard::SetPdfOutput(args.printPdf);

    TModuleLoader loader;
    ISnapinFactory* factory = nullptr;
    try {
        factory = loader.Load(args.module.isEmpty() ? TModuleLoader::DefaultPath() : args.module);
    } catch (const EModuleError& e) {
        StartupError(e.Message());
        return kConsoleExitFailed;
    }

    auto security = std::make_shared<TSecurityService>(params, args.askPassword);
    auto console = std::make_shared<TConsole>();
    console->AddService(ISecurityService::IID, security);
    console->AddService(IEmployeeChooser::IID, std::make_shared<TEmployeeChooser>(security));

    int result = kConsoleExitOk;
    {
        TConsoleWindow window(console, params.ToDisplayString());
        bool screenshotTaken = false;
        if (!args.screenshot.isEmpty()) {
            // armed before the snap-in opens, so that a box shown meanwhile is in the picture
            const QString file = args.screenshot;
            QTimer::singleShot(args.screenshotDelay, &window, [&window, &screenshotTaken, file] {
                QPixmap shot;
                if (QScreen* screen = QGuiApplication::primaryScreen()) shot = screen->grabWindow(0);
                if (shot.isNull() || TDialogScript::Unattended()) shot = window.grab();
                if (!shot.save(file)) PrintError(QStringLiteral("cannot write ") + file);
                screenshotTaken = true;
                QCoreApplication::exit(0); // also ends a box's own loop
            });
        }
        window.show();
        try {
            window.OpenSnapin(factory->GetSnapin(console));
        } catch (const std::exception& e) {
            StartupError(QString::fromLocal8Bit(e.what()));
            return kConsoleExitFailed;
        }
        if (security->LoginCancelled()) {
            // whoever cancels the login at start-up wants no console without its database
            PrintError(_CON_LOGIN_CANCELLED_ERR);
            window.CloseSnapin();
            return kConsoleExitOk;
        }
        if (args.search && !screenshotTaken) {
            const QString refusal = window.PresetSearch(args.searchKeys);
            if (!refusal.isEmpty()) {
                StartupError(QStringLiteral("--search: ") + refusal);
                window.CloseSnapin();
                return kConsoleExitUsage;
            }
        }
        window.UpdateStatus();
        if (!args.printPdf.isEmpty()) {
            // print what the viewer shows and stop; without a database there is nothing to print
            QFile::remove(args.printPdf);
            Guarded([&window] { window.Print(); });
            if (!security->GetConnection()->Connected())
                result = kConsoleExitUsage;
            else if (!QFile::exists(args.printPdf))
                result = kConsoleExitFailed;
        } else if (!screenshotTaken) {
            result = app.exec();
        }
        window.CloseSnapin();
    }
    // with nobody to see the boxes, what they said goes to stderr
    if (TDialogScript::Unattended())
        for (const TShownDialog& shown : TDialogScript::Shown())
            if (shown.kind == QLatin1String("error") || shown.kind == QLatin1String("warning"))
                PrintError(shown.text);
    // the module lets its factory, snap-in and console go, then its data module
    loader.Unload();
    return result;
}
