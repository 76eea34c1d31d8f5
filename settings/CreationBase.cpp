#include "CreationBase.h"

#include <QFile>
#include <memory>

#include "BaseChiffree.h"

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

void CreerBaseParametres(const QString& chemin) {
    auto base = std::make_unique<BaseChiffree>(chemin, BaseChiffree::Ouverture::Creation);
    try {
        TransactionImmediate transaction(*base);
        base->Executer(QString::fromLatin1(kSchema));
        transaction.Valider();
    } catch (...) {
        base.reset();
        QFile::remove(chemin);
        throw;
    }
}
