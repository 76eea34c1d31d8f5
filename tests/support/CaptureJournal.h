#pragma once

#include <QLoggingCategory>
#include <QStringList>

// What the program logs in its own categories ("vantaro.…") while this lives, one
// "category: message" a line, with the rules given (none: the defaults). The rules and the
// message handler are put back afterwards.
class CaptureJournal {
public:
    explicit CaptureJournal(const QString& regles) {
        Lignes().clear();
        QLoggingCategory::setFilterRules(regles);
        precedent_ = qInstallMessageHandler(&Noter);
    }
    ~CaptureJournal() {
        qInstallMessageHandler(precedent_);
        QLoggingCategory::setFilterRules(QString());
    }
    CaptureJournal(const CaptureJournal&) = delete;
    CaptureJournal& operator=(const CaptureJournal&) = delete;

    static QStringList& Lignes() {
        static QStringList lignes;
        return lignes;
    }

private:
    static void Noter(QtMsgType, const QMessageLogContext& contexte, const QString& message) {
        const QString categorie = QString::fromUtf8(contexte.category);
        if (categorie.startsWith(QStringLiteral("vantaro."))) {
            Lignes() << categorie + QStringLiteral(": ") + message;
        }
    }

    QtMessageHandler precedent_ = nullptr;
};
