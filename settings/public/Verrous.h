#pragma once

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>
#include <span>

#include "TDataModuleAbs.h"

// The lock rules of the settings levels. A group of keys of one section is shown, saved and
// locked together; its lock is an "ENTIER" flag (1 locked, 0 or missing not) stored under the
// group's lock key at an agency level or at the global level, never at a user level. A lock makes
// every level below use the locking level's values.
//
// The functions that take a TDataModuleAbs run on the open store; store errors go through as
// ErreurBDD.

// A level of the settings: global (both empty), agency (user empty) or user.
struct Niveau {
    QString agence;
    QString utilisateur;

    bool operator==(const Niveau&) const = default;
};

inline bool EstGlobal(const Niveau& niveau) {
    return niveau.agence.isEmpty() && niveau.utilisateur.isEmpty();
}

// The level above: (A, empty) above the user (A, U); the global level above an agency and above
// a user without agency; nothing above the global level.
std::optional<Niveau> NiveauAuDessus(const Niveau& niveau);

// A key of a group: the type it is stored with and the default it is read with ("STRING" keys
// are read with the empty text).
struct CleGroupe {
    QLatin1StringView nom;
    TypeParametre type = TypeParametre::Chaine;
    int defautEntier = 0;
};

// Which rows a lock box's delete statement removes below its level: the rows of that agency
// (the global level: of no agency) and section that carry a user name, never the level's own.
struct SuppressionVerrou {
    std::span<const CleGroupe> cles;  // the keys it names; none: the whole section
};

struct GroupeVerrouille {
    QLatin1StringView section;  // empty: the section is the document title, given by the caller
    QLatin1StringView cleVerrou;
    std::span<const CleGroupe> cles;  // in the order the windows read and save them
    SuppressionVerrou suppression;
};

inline constexpr QLatin1StringView kSectionMail{"Mail"};

inline constexpr CleGroupe kClesConfigurationImpression[] = {
    {QLatin1StringView("Orientation")}, {QLatin1StringView("Logo")},
    {QLatin1StringView("CGV")},         {QLatin1StringView("QCM")},
    {QLatin1StringView("PiedDePage1")}, {QLatin1StringView("PiedDePage2")},
    {QLatin1StringView("DebutLigne")},  {QLatin1StringView("FinLigne")}};
inline constexpr CleGroupe kClesConnexionSmtp[] = {
    {QLatin1StringView("Host")},
    {QLatin1StringView("Port"), TypeParametre::Entier, 0},
    {QLatin1StringView("UseTLS"), TypeParametre::Entier, -1}};
inline constexpr CleGroupe kClesIdentificationSmtp[] = {{QLatin1StringView("Login")},
                                                        {QLatin1StringView("Password")},
                                                        {QLatin1StringView("ExpediteurMail")},
                                                        {QLatin1StringView("ExpediteurNom")}};
// The copy of sent mail in an IMAP folder; empty login and password: those of the SMTP account.
inline constexpr CleGroupe kClesCopieImap[] = {
    {QLatin1StringView("ImapHost")},
    {QLatin1StringView("ImapPort"), TypeParametre::Entier, 0},
    {QLatin1StringView("ImapTLS"), TypeParametre::Entier, -1},
    {QLatin1StringView("ImapDossier")},
    {QLatin1StringView("ImapLogin")},
    {QLatin1StringView("ImapPassword")}};

// Print configuration of one document title.
inline constexpr GroupeVerrouille kGroupeConfigurationImpression{
    {}, QLatin1StringView("BloquerConfig"), kClesConfigurationImpression, {{}}};
inline constexpr GroupeVerrouille kGroupeConnexionSmtp{
    kSectionMail, QLatin1StringView("BloquerConnexion"), kClesConnexionSmtp, {kClesConnexionSmtp}};
// The lock key is cut at 20 characters in every stored database.
inline constexpr GroupeVerrouille kGroupeIdentificationSmtp{
    kSectionMail,
    QLatin1StringView("BloquerIdentificatio"),
    kClesIdentificationSmtp,
    {kClesIdentificationSmtp}};
// The IMAP copy has no lock of its own: the connection's lock holds it too, and deletes its keys
// below with the connection's.
inline constexpr GroupeVerrouille kGroupeCopieImap{
    kSectionMail, QLatin1StringView("BloquerConnexion"), kClesCopieImap, {kClesCopieImap}};
// The SMTP window's box that locks both SMTP groups: the whole section.
inline constexpr SuppressionVerrou kSuppressionConfigurationSmtp{{}};

QStringList Cles(const GroupeVerrouille& groupe);

// Rule "is a level locked", on the flags read at (niveau.agence, empty) and at the global level:
// a user level is locked by either flag (by the global one alone when its agency is empty), an
// agency level by the global flag, the global level never. A level's own flag plays no part.
bool EstVerrouille(const Niveau& niveau, int verrouAgence, int verrouGlobal);
// The same rule reading the flags from the store.
bool NiveauVerrouille(TDataModuleAbs& store, const QString& section, const QString& cleVerrou,
                      const Niveau& niveau);

// What a configuration window shows for a group when it reads the level lu (its own level, or
// the level above through "Reprendre"):
// - lu locked from above: the values of the level above as that level's own reading shows them,
//   with nothing of the group editable;
// - lu holds nothing of the group (every key at its default) and its own flag is not 1: the
//   level above's reading; at the global level, nothing to show;
// - otherwise lu's own values and flag, with the keys of the group that lu holds no row of (an
//   earlier release could store part of a group).
struct GroupeAffiche {
    Niveau niveau;            // the level whose values are shown
    bool verrouille = false;  // lu is locked from above: nothing is edited or saved
    bool rien = false;        // nothing stored up to the global level: nothing to show
    int verrouPropre = 0;     // the lock flag stored at niveau (0 at a user level)
    QVariantList valeurs{};   // in the order of the group's keys: QString or int
    QList<int> manquantes{};  // indexes of the keys niveau has no row of, when it has others
};
GroupeAffiche LireGroupeAffiche(TDataModuleAbs& store, const QString& section,
                                const GroupeVerrouille& groupe, const Niveau& lu);

// "le niveau global", "l'agence LYON", "l'utilisateur MARTIN"
QString NomDuNiveau(const Niveau& niveau);

// What every configuration window tells of the level it edits: "Niveau : agence LYON",
// "Niveau : global", "Niveau : utilisateur MARTIN (agence LYON)".
QString LigneNiveau(const Niveau& travail);
// Where the values a window at travail shows come from, when they are not its own: "Valeurs
// reprises du niveau global", "Verrouillé par l'agence LYON", "Aucune valeur enregistrée"; the
// empty text for its own values.
QString OrigineValeurs(const Niveau& travail, const GroupeAffiche& affiche);

// What the question before a save says when the window's level showed a group of another level:
// "La configuration « Devis » de l'agence LYON devient la sienne : les modifications ultérieures
// du niveau global ne l'atteindront plus." groupe names the group, capitalised and feminine.
QString AvisGroupePropre(const Niveau& travail, const Niveau& origine, const QString& groupe);
// The level line of a level that holds part of a group: "Valeurs absentes à ce niveau : Logo,
// CGV."
QString ValeursAbsentes(const QStringList& libelles);

// Rule "which level's values a reader uses", first half: the global level when its flag is 1,
// else the job's agency level when its flag is 1, else the job's own level.
Niveau NiveauDeDepart(const Niveau& travail, int verrouGlobal, int verrouAgence);
Niveau NiveauDeDepart(TDataModuleAbs& store, const QString& section, const QString& cleVerrou,
                      const Niveau& travail);
// Second half: the levels to try from the starting one, each tried when the one before holds
// nothing: the start, its agency level, the global level (without repeats).
QList<Niveau> NiveauxDeRepli(const Niveau& depart);

// A group's "STRING" values as a reader uses them: read with the empty default at the starting
// level and, while all are empty, at the next level of the fall-back.
struct ValeursEnVigueur {
    Niveau niveau;        // the level the values come from
    QStringList valeurs;  // in the order of the keys asked
};
ValeursEnVigueur LireChainesEnVigueur(TDataModuleAbs& store, const QString& section,
                                      const QString& cleVerrou, const QStringList& cles,
                                      const Niveau& travail);

// The same for a group of any types: the values in the order of its keys (QString or int), from
// the first level of the fall-back where one of them is not at its default.
struct GroupeEnVigueur {
    Niveau niveau;
    QVariantList valeurs;
};
GroupeEnVigueur LireGroupeEnVigueur(TDataModuleAbs& store, const GroupeVerrouille& groupe,
                                    const Niveau& travail);

// Writes one key of a group at the level with its type (an int for an "ENTIER" key, a text
// otherwise); throws ErreurBDD when no row was written.
void EcrireCle(TDataModuleAbs& store, const Niveau& niveau, const QString& section,
               const CleGroupe& cle, const QVariant& valeur);

// What the user is asked before a lock box's delete statement runs.
inline const QString kConfirmationSuppressionVerrou = QStringLiteral(
    "Vous allez supprimer les informations que les utilisateurs ont paramétré précédemment.\n"
    "Voulez-vous continuer ?");

// The delete statement of a lock box ticked at the level (agence, empty) or at the global level.
// The user test selects only rows that carry a user name, so the level's own rows stay.
struct InstructionSuppression {
    QStringList lignes;
    QList<std::pair<QString, QString>> parametres;  // name without colon, text value
};
InstructionSuppression InstructionSuppressionVerrou(const SuppressionVerrou& suppression,
                                                    const QString& agence, const QString& section);
// Runs that statement on the open store. Returns the number of rows deleted, or -1 when the
// store gave no query.
int SupprimerValeursDessous(TDataModuleAbs& store, const SuppressionVerrou& suppression,
                            const QString& agence, const QString& section);
