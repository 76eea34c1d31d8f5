#include "Application.h"
#include "Demarrage.h"
#include "IhmQt.h"

int main(int argc, char** argv) {
    // Counted before the toolkit takes the options it knows out of the command line.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    IhmQt ihm;
    Application application(argc, argv, ihm);
    return Executer(application, arguments, ihm);
}
