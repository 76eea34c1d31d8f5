#include "Application.h"
#include "Demarrage.h"
#include "IhmQt.h"

#ifdef Q_OS_WIN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace {

// The arguments after the program's name, counted before the toolkit takes the options it knows
// out of argv. Windows hands argv over in its ANSI code page, which loses every character outside
// it: there they come from the command line as the system keeps it, in UTF-16.
QStringList Arguments([[maybe_unused]] int argc, [[maybe_unused]] char** argv) {
    QStringList arguments;
#ifdef Q_OS_WIN
    int nombre = 0;
    if (wchar_t** liste = CommandLineToArgvW(GetCommandLineW(), &nombre)) {
        for (int i = 1; i < nombre; ++i) {
            arguments.append(QString::fromWCharArray(liste[i]));
        }
        LocalFree(liste);
    }
#else
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
#endif
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    const QStringList arguments = Arguments(argc, argv);
    IhmQt ihm;
    Application application(argc, argv, ihm);
    return Executer(application, arguments, ihm);
}
