#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

class TDataModuleAbs;

// The rows that a SELECT gave, all read at once.
struct ResultatRequete {
    QStringList colonnes;
    QList<QVariantList> lignes;  // NULL reads as a null QVariant
};

// A query on the settings database, built as its lines and its parameters set by name, then run
// on the connection that the data module holds at that moment. Running it while the database is
// closed throws ErreurBDD.
class Requete {
public:
    explicit Requete(TDataModuleAbs& module) : module_(module) {}

    void AjouterLigne(const QString& ligne) { lignes_ << ligne; }
    // The name is given without its colon: "Agence" for ":Agence".
    void DefinirTexte(const QString& nom, const QString& valeur) { parametres_[nom] = valeur; }
    void DefinirEntier(const QString& nom, int valeur) { parametres_[nom] = valeur; }

    // The statement as sent: the lines joined by line feeds.
    QString Texte() const { return lignes_.join(u'\n'); }

    // Runs a SELECT and reads every row.
    ResultatRequete Ouvrir();
    // Runs an INSERT, UPDATE or DELETE; returns the number of rows it affected.
    int Executer();

private:
    TDataModuleAbs& module_;
    QStringList lignes_;
    QMap<QString, QVariant> parametres_;
};
