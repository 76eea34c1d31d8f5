#pragma once

#include <QApplication>

class Ihm;

// The application object. An error that escapes an event handler is shown in the standard
// error box and the event loop goes on, so one failed click never ends the program.
class Application : public QApplication {
public:
    Application(int& argc, char** argv, Ihm& ihm);

    bool notify(QObject* destinataire, QEvent* evenement) override;

private:
    Ihm& ihm_;
};
