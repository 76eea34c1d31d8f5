#pragma once

#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

enum class TypeChamp { Texte, Flottant, Entier, Date, Booleen, Image };

// A picture file larger than this is taken for no picture rather than read whole into memory.
inline constexpr qint64 kTailleImageMax = 64 * 1024 * 1024;
// Whether a picture path names a file to read: a regular file (or a link to one) within the size
// above. Anything else is no picture: a FIFO or a device would wait or never end.
bool ImageALire(const QString& chemin);

// The stored value's type of each field type: QString, double, int, QDate, bool, QByteArray.
QMetaType TypeValeur(TypeChamp type);
QString NomType(TypeChamp type);
// The value converted to the field type's value; std::nullopt when it cannot be. A null value
// stays null.
std::optional<QVariant> VersType(QVariant valeur, TypeChamp type);

struct DefinitionChamp {
    QString nom;
    TypeChamp type = TypeChamp::Texte;
    int taille = 0;  // characters, for text fields; informative, values are never cut
    bool calcule = false;
};

class TableMemoire;

// The link from a detail table to its master (a data source whose dataset is the master).
struct SourceDonnees {
    TableMemoire* jeu = nullptr;
};

// An in-memory table: field definitions, rows held in memory, an order set by index field names,
// a cursor over the rows in that order, record editing, and an optional master-detail link that
// shows only the rows matching the master's current row.
//
// Field definitions change only while the table is closed; Ouvrir creates an empty table from
// them. Every failure raises ErreurDonnees naming the table.
class TableMemoire {
public:
    explicit TableMemoire(QString nom);
    TableMemoire(const TableMemoire&) = delete;
    TableMemoire& operator=(const TableMemoire&) = delete;

    const QString& Nom() const { return nom_; }

    // Definitions.
    void AjouterDefinition(const DefinitionChamp& definition);
    void EffacerDefinitions();
    const QList<DefinitionChamp>& Definitions() const { return definitions_; }
    // Changes whenever the definitions change, so that readers can keep lookups.
    quint64 GenerationDefinitions() const { return generation_; }
    int NombreChamps() const { return int(definitions_.size()); }
    // The field's number, looked up without regard to case; -1 when there is none.
    int IndexChamp(const QString& nom) const;
    // The same, raising an error that names the field and the table when there is none.
    int Champ(const QString& nom) const;

    // Life.
    void Ouvrir();
    void Fermer();
    bool EstOuverte() const { return ouverte_; }
    void Vider();

    // "Nom1;Nom2": ascending order on these fields, equal keys keeping their order of arrival.
    void DefinirChampsIndex(const QString& noms);
    const QString& ChampsIndex() const { return texteIndex_; }
    // Detail side of a master-detail link: the master fields are paired, in order, with this
    // table's index fields (with a master field's own name where the index is shorter).
    void DefinirSourceMaitre(const SourceDonnees* source);
    void DefinirChampsMaitre(const QString& noms);
    const QString& ChampsMaitre() const { return texteMaitre_; }

    // Cursor over the visible rows in table order.
    void Premier();
    void Dernier();
    void Suivant();
    void Precedent();
    // True past the last row (after Suivant on it), and whenever no row is visible.
    bool Fin() const;
    int NombreLignes() const;
    int Position() const;  // 0-based; -1 without a current row
    // Changes whenever the rows change (posted, deleted, reordered) or the table opens or closes,
    // so that readers can keep what they work out from the rows.
    quint64 Version() const { return version_; }
    // The field's value on the visible row at that position, the cursor left where it is.
    QVariant ValeurA(int position, int champ) const;

    // Editing: Ajouter appends, Inserer inserts before the current row (the index, when there is
    // one, decides the place on Valider).
    void Ajouter();
    void Inserer();
    void Modifier();
    void Valider();
    void Annuler();
    void Supprimer();
    bool EnEdition() const { return etat_ != Etat::Consultation; }
    // Append and post a whole row at once.
    void AjouterLigne(std::vector<QVariant> valeurs);

    // Values of the current row (or of the row being edited); a null QVariant when empty.
    QVariant Valeur(int champ) const;
    QVariant Valeur(const QString& nom) const { return Valeur(Champ(nom)); }
    void Affecter(int champ, const QVariant& valeur);
    void Affecter(const QString& nom, const QVariant& valeur) { Affecter(Champ(nom), valeur); }
    // The value as the report and the windows show it: numbers and dates after the regional
    // settings, booleans as True or False, pictures as empty text.
    QString Texte(int champ, const QLocale& regional = QLocale::system()) const;

private:
    enum class Etat { Consultation, Insertion, Ajout, Edition };
    using Ligne = std::vector<QVariant>;

    void VerifierOuverte() const;
    void VerifierFermee(const char* operation) const;
    void VerifierConsultation() const;
    void VerifierNumero(int champ) const;
    static QList<int> ChampsDepuisTexte(const QString& noms, const TableMemoire& table);
    bool AvantLigne(const Ligne& a, const Ligne& b) const;
    int PlacerDansOrdre(int numero, int positionInsertion);
    void PlacerCurseurSur(int numero, int positionOrdre);
    int RetirerDeOrdre(int numero);
    QList<int> ChampsLienDetail() const;
    const std::vector<int>& Vue() const;
    bool LienActif() const;
    QString CleMaitre() const;
    QString CleLigne(const Ligne& ligne) const;
    const Ligne* LigneCourante() const;
    void Modifiee();

    QString nom_;
    QList<DefinitionChamp> definitions_;
    QHash<QString, int> indexNoms_;  // case-folded name -> field number
    quint64 generation_ = 0;
    bool ouverte_ = false;

    std::vector<Ligne> lignes_;  // storage; a deleted row is left empty and out of ordre_
    std::vector<int> ordre_;     // row numbers in table order
    QString texteIndex_;
    QList<int> champsIndex_;

    const SourceDonnees* source_ = nullptr;
    QString texteMaitre_;
    QStringList nomsMaitre_;

    // The cursor; a row posted while a link is active is found in the view when next needed.
    mutable int position_ = 0;
    mutable bool fin_ = false;
    mutable int numeroAttendu_ = -1;
    Etat etat_ = Etat::Consultation;
    Ligne tampon_;
    int numeroEdite_ = -1;

    // The detail's visible rows, rebuilt when the rows change or the master's key changes.
    quint64 version_ = 0;
    mutable quint64 versionVue_ = ~quint64(0);
    mutable QString cleVue_;
    mutable std::vector<int> vue_;
    mutable QHash<QString, std::vector<int>> parCle_;
    mutable quint64 versionParCle_ = ~quint64(0);
};
