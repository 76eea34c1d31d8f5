#include "TDataModuleAbs.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>
#include <optional>

#include "ConnexionParametres.h"
#include "ErreurBDD.h"
#include "JournalParametres.h"
#include "OuvertureConnexion.h"

Q_LOGGING_CATEGORY(lcParametres, "vantaro.parametres", QtWarningMsg)

namespace {

QString ColonneValeur(TypeParametre type) {
    switch (type) {
        case TypeParametre::Entier:
            return QStringLiteral("ValeurEntier");
        case TypeParametre::Memo:
            return QStringLiteral("ValeurMemo");
        case TypeParametre::Chaine:
            break;
    }
    return QStringLiteral("ValeurChaine");
}

void AjouterCriteresAdresse(Requete& requete) {
    requete.AjouterLigne(QStringLiteral(" WHERE `Agence` = :Agence "));
    requete.AjouterLigne(QStringLiteral(" AND `Utilisateur` = :Utilisateur "));
    requete.AjouterLigne(QStringLiteral(" AND `Section` = :Section "));
    requete.AjouterLigne(QStringLiteral(" AND `Cle` = :Cle "));
}

void AjouterCriteresValeur(Requete& requete) {
    AjouterCriteresAdresse(requete);
    requete.AjouterLigne(QStringLiteral(" AND `ValeurType` = :ValeurType "));
}

// Parameters in the order agency, user, section, key, type, value; all texts except the value of
// an integer.
void DefinirParametres(Requete& requete, TypeParametre type, const AdresseValeur& adresse) {
    requete.DefinirTexte(QStringLiteral("Agence"), adresse.agence);
    requete.DefinirTexte(QStringLiteral("Utilisateur"), adresse.utilisateur);
    requete.DefinirTexte(QStringLiteral("Section"), adresse.section);
    requete.DefinirTexte(QStringLiteral("Cle"), adresse.cle);
    requete.DefinirTexte(QStringLiteral("ValeurType"), NomType(type));
}

void DefinirValeur(Requete& requete, TypeParametre type, const QVariant& valeur) {
    if (type == TypeParametre::Entier) {
        requete.DefinirEntier(QStringLiteral("Valeur"), valeur.toInt());
    } else {
        requete.DefinirTexte(QStringLiteral("Valeur"), valeur.toString());
    }
}

// The value of the one row, or nothing when there is not exactly one.
std::optional<QVariant> LireValeurUnique(Requete& requete, TypeParametre type,
                                         const AdresseValeur& adresse) {
    requete.AjouterLigne(QStringLiteral("SELECT ") + ColonneValeur(type));
    requete.AjouterLigne(QStringLiteral(" FROM Parametres"));
    AjouterCriteresValeur(requete);
    DefinirParametres(requete, type, adresse);
    const ResultatRequete resultat = requete.Ouvrir();
    if (resultat.lignes.size() != 1) {
        return std::nullopt;
    }
    return resultat.lignes.first().first();
}

}  // namespace

QString NomType(TypeParametre type) {
    switch (type) {
        case TypeParametre::Entier:
            return QStringLiteral("ENTIER");
        case TypeParametre::Memo:
            return QStringLiteral("MEMO");
        case TypeParametre::Chaine:
            break;
    }
    return QStringLiteral("STRING");
}

TDataModuleAbs::TDataModuleAbs() = default;
TDataModuleAbs::~TDataModuleAbs() = default;

bool TDataModuleAbs::OuvrirBDD(const QString& chemin) {
    if (parametres_ && parametres_->Reference() != chemin) {
        FermerBDD();
    }
    if (!parametres_) {
        QElapsedTimer duree;
        duree.start();
        qCDebug(lcParametres).noquote() << "ouverture de la base" << ReferenceAffichee(chemin);
        parametres_ = OuvrirConnexionParametres(chemin, ConnexionParametres::Ouverture::Existante);
        qCDebug(lcParametres) << "base ouverte en" << duree.elapsed() << "ms";
    }
    return EstOuverte();
}

bool TDataModuleAbs::FermerBDD() {
    if (parametres_) {
        qCDebug(lcParametres) << "fermeture de la base";
    }
    parametres_.reset();
    return true;
}

ConnexionParametres& TDataModuleAbs::Connexion() {
    if (!parametres_) {
        throw ErreurBDD(QStringLiteral("La base de paramètres n'est pas ouverte."));
    }
    return *parametres_;
}

std::unique_ptr<Requete> TDataModuleAbs::NouvelleRequete() {
    if (!parametres_) {
        return nullptr;
    }
    return std::make_unique<Requete>(*this);
}

bool TDataModuleAbs::TablePresente(const QString& nom) {
    return Connexion().ContientTable(nom);
}

void TDataModuleAbs::ExecuterScript(const QString& sql) {
    Connexion().ExecuterScript(sql);
}

bool TDataModuleAbs::Existe(TypeParametre type, const AdresseValeur& adresse) {
    const auto requete = NouvelleRequete();
    if (!requete) {
        return false;
    }
    requete->AjouterLigne(QStringLiteral("SELECT * FROM Parametres"));
    AjouterCriteresValeur(*requete);
    DefinirParametres(*requete, type, adresse);
    return requete->Ouvrir().lignes.size() == 1;
}

bool TDataModuleAbs::Inserer(TypeParametre type, const AdresseValeur& adresse,
                             const QVariant& valeur) {
    const auto requete = NouvelleRequete();
    if (!requete) {
        return false;
    }
    requete->AjouterLigne(QStringLiteral("INSERT INTO Parametres"));
    requete->AjouterLigne(QStringLiteral(" ( `Agence`, `Utilisateur`, `Section`, `Cle`, "
                                         "`ValeurType`, `") +
                          ColonneValeur(type) + QStringLiteral("`)  "));
    requete->AjouterLigne(QStringLiteral(" VALUES "));
    requete->AjouterLigne(
        QStringLiteral(" ( :Agence, :Utilisateur, :Section, :Cle, :ValeurType, :Valeur )"));
    DefinirParametres(*requete, type, adresse);
    DefinirValeur(*requete, type, valeur);
    return requete->Executer() == 1;
}

bool TDataModuleAbs::Modifier(TypeParametre type, const AdresseValeur& adresse,
                              const QVariant& valeur) {
    const auto requete = NouvelleRequete();
    if (!requete) {
        return false;
    }
    requete->AjouterLigne(QStringLiteral("UPDATE Parametres set "));
    requete->AjouterLigne(QStringLiteral(" `ValeurType` = :ValeurType, "));
    requete->AjouterLigne(QStringLiteral(" `") + ColonneValeur(type) +
                          QStringLiteral("` = :Valeur "));
    AjouterCriteresAdresse(*requete);
    DefinirParametres(*requete, type, adresse);
    DefinirValeur(*requete, type, valeur);
    return requete->Executer() == 1;
}

bool TDataModuleAbs::Ecrire(TypeParametre type, const AdresseValeur& adresse,
                            const QVariant& valeur) {
    if (!parametres_) {
        return false;
    }
    // Another process may write the same key between the test and the statement: the
    // transaction keeps them together so that a new key is never inserted twice.
    bool resultat = false;
    EnUneTransaction([&] {
        resultat = Existe(type, adresse) ? Modifier(type, adresse, valeur)
                                         : Inserer(type, adresse, valeur);
    });
    return resultat;
}

void TDataModuleAbs::EnUneTransaction(const std::function<void()>& ecritures) {
    if (enTransaction_) {
        ecritures();
        return;
    }
    TransactionEcriture transaction(Connexion());
    const QScopedValueRollback<bool> dedans(enTransaction_, true);
    ecritures();
    transaction.Valider();
}

QString TDataModuleAbs::LireTexte(TypeParametre type, const AdresseValeur& adresse,
                                  const QString& defaut) {
    const auto requete = NouvelleRequete();
    if (!requete) {
        return {};
    }
    const QString texte = LireValeurUnique(*requete, type, adresse).value_or(QVariant()).toString();
    return texte.isEmpty() ? defaut : texte;
}

bool TDataModuleAbs::ExisteChaine(const QString& agence, const QString& utilisateur,
                                  const QString& section, const QString& cle) {
    return Existe(TypeParametre::Chaine, {agence, utilisateur, section, cle});
}

bool TDataModuleAbs::ExisteEntier(const QString& agence, const QString& utilisateur,
                                  const QString& section, const QString& cle) {
    return Existe(TypeParametre::Entier, {agence, utilisateur, section, cle});
}

bool TDataModuleAbs::ExisteMemo(const QString& agence, const QString& utilisateur,
                                const QString& section, const QString& cle) {
    return Existe(TypeParametre::Memo, {agence, utilisateur, section, cle});
}

bool TDataModuleAbs::InsererChaine(const QString& agence, const QString& utilisateur,
                                   const QString& section, const QString& cle,
                                   const QString& valeur) {
    return Inserer(TypeParametre::Chaine, {agence, utilisateur, section, cle}, valeur);
}

bool TDataModuleAbs::InsererEntier(const QString& agence, const QString& utilisateur,
                                   const QString& section, const QString& cle, int valeur) {
    return Inserer(TypeParametre::Entier, {agence, utilisateur, section, cle}, valeur);
}

bool TDataModuleAbs::InsererMemo(const QString& agence, const QString& utilisateur,
                                 const QString& section, const QString& cle,
                                 const QString& valeur) {
    return Inserer(TypeParametre::Memo, {agence, utilisateur, section, cle}, valeur);
}

bool TDataModuleAbs::ModifierChaine(const QString& agence, const QString& utilisateur,
                                    const QString& section, const QString& cle,
                                    const QString& valeur) {
    return Modifier(TypeParametre::Chaine, {agence, utilisateur, section, cle}, valeur);
}

bool TDataModuleAbs::ModifierEntier(const QString& agence, const QString& utilisateur,
                                    const QString& section, const QString& cle, int valeur) {
    return Modifier(TypeParametre::Entier, {agence, utilisateur, section, cle}, valeur);
}

bool TDataModuleAbs::ModifierMemo(const QString& agence, const QString& utilisateur,
                                  const QString& section, const QString& cle,
                                  const QString& valeur) {
    return Modifier(TypeParametre::Memo, {agence, utilisateur, section, cle}, valeur);
}

QString TDataModuleAbs::LireChaine(const QString& agence, const QString& utilisateur,
                                   const QString& section, const QString& cle,
                                   const QString& defaut) {
    return LireTexte(TypeParametre::Chaine, {agence, utilisateur, section, cle}, defaut);
}

QString TDataModuleAbs::LireMemo(const QString& agence, const QString& utilisateur,
                                 const QString& section, const QString& cle,
                                 const QString& defaut) {
    return LireTexte(TypeParametre::Memo, {agence, utilisateur, section, cle}, defaut);
}

int TDataModuleAbs::LireEntier(const QString& agence, const QString& utilisateur,
                               const QString& section, const QString& cle, int defaut) {
    const auto requete = NouvelleRequete();
    if (!requete) {
        return 0;
    }
    const std::optional<QVariant> valeur =
        LireValeurUnique(*requete, TypeParametre::Entier, {agence, utilisateur, section, cle});
    return valeur ? valeur->toInt() : defaut;
}

bool TDataModuleAbs::EcrireChaine(const QString& agence, const QString& utilisateur,
                                  const QString& section, const QString& cle,
                                  const QString& valeur) {
    return Ecrire(TypeParametre::Chaine, {agence, utilisateur, section, cle}, valeur);
}

bool TDataModuleAbs::EcrireEntier(const QString& agence, const QString& utilisateur,
                                  const QString& section, const QString& cle, int valeur) {
    return Ecrire(TypeParametre::Entier, {agence, utilisateur, section, cle}, valeur);
}

bool TDataModuleAbs::EcrireMemo(const QString& agence, const QString& utilisateur,
                                const QString& section, const QString& cle, const QString& valeur) {
    return Ecrire(TypeParametre::Memo, {agence, utilisateur, section, cle}, valeur);
}
