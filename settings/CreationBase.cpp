#include "CreationBase.h"

#include <QFile>
#include <QFileInfo>
#include <memory>

#include "ConnexionParametres.h"
#include "ConnexionServeur.h"
#include "OuvertureConnexion.h"

namespace {

// Texts of any length: the terms of sale and the mail templates run to many lines.
const char* const kSchema =
    "CREATE TABLE Parametres ("
    " Agence TEXT NOT NULL DEFAULT '',"
    " Utilisateur TEXT NOT NULL DEFAULT '',"
    " Section TEXT NOT NULL,"
    " Cle TEXT NOT NULL,"
    " ValeurType TEXT NOT NULL,"
    " ValeurChaine TEXT,"
    " ValeurEntier INTEGER,"
    " ValeurMemo TEXT);"
    "CREATE UNIQUE INDEX ParametresAdresse ON Parametres (Agence, Utilisateur, Section, Cle);";

}  // namespace

void CreerBaseParametres(const QString& reference) {
    auto base = OuvrirConnexionParametres(reference, ConnexionParametres::Ouverture::Creation);
    try {
        TransactionEcriture transaction(*base);
        base->ExecuterScript(QString::fromLatin1(kSchema));
        transaction.Valider();
    } catch (...) {
        base.reset();
        // The server undoes the rolled-back table itself; a new file has to go.
        if (!EstReferenceServeur(reference)) {
            QFile::remove(reference);
        }
        throw;
    }
}

bool BaseParametresPresente(const QString& reference) {
    if (!EstReferenceServeur(reference)) {
        return QFileInfo::exists(reference);
    }
    return ConnexionServeur(reference, ConnexionParametres::Ouverture::Indifferente)
        .TablePresente();
}
