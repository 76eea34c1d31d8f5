#include "Traductions.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// The texts of Qt's that its French catalogue leaves in English: the type column of the file
// dialogs. Looked up after the catalogue, which is installed last.
class ComplementsFrancais : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* contexte, const char* source, const char*, int) const override {
        static const QHash<QByteArray, QString> kTypes = {
            {"Folder", QStringLiteral("Dossier")},
            {"File Folder", QStringLiteral("Dossier de fichiers")},
            {"Drive", QStringLiteral("Lecteur")},
            {"Shortcut", QStringLiteral("Raccourci")},
            {"Alias", QStringLiteral("Alias")},
            {"Unknown", QStringLiteral("Inconnu")}};
        if (qstrcmp(contexte, "QAbstractFileIconProvider") != 0) {
            return {};
        }
        return kTypes.value(QByteArray(source));
    }
};

}  // namespace

QStringList DossiersTraductionsQt(const QString& dossierProgramme) {
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
            QDir(dossierProgramme).filePath(QStringLiteral("translations"))};
}

bool ChargerTraductionsQt(QCoreApplication& application, const QStringList& dossiers) {
    for (const QString& dossier : dossiers) {
        auto* traducteur = new QTranslator(&application);
        if (traducteur->load(QStringLiteral("qtbase_fr"), dossier)) {
            QCoreApplication::installTranslator(new ComplementsFrancais(&application));
            return QCoreApplication::installTranslator(traducteur);
        }
        delete traducteur;
    }
    return false;
}
