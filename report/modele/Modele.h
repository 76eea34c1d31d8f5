#pragma once

#include <QColor>
#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "Cadre.h"
#include "Expression.h"
#include "ImagePreparee.h"
#include "ObjetRapport.h"

// The template model: plain data read from a template file, lengths in millimetres.

enum class Alignement { Gauche, Centre, Droite, Justifie };
enum class AlignementVertical { Haut, Centre, Bas };

struct ObjetModele : ObjetRapport {
    enum class Genre { Texte, Image, Ligne, Rectangle };
    Genre genre = Genre::Texte;
    QRectF rect;                          // in its band
    std::optional<Expression> visibleSi;  // shown only where it holds
    // Where this object is hidden, the other one widens over its width (a column that folds).
    const ObjetModele* prendLaPlaceDe = nullptr;
    QColor fond;  // invalid: none
    Cadre cadre;  // texts, pictures; the outline of a rectangle
    // Texts.
    TexteExpressions texte;
    QString source;  // the text as written, with its brackets
    QFont police;    // pixel size in hundredths of a millimetre
    QColor couleur = Qt::black;
    Alignement alignement = Alignement::Gauche;
    AlignementVertical alignementVertical = AlignementVertical::Haut;
    bool retourLigne = true;
    bool balises = false;
    bool agrandir = false;  // grows to hold its text; a rectangle, the objects inside it
    bool scinder = false;   // may continue on the next page, cut between two of its lines
    bool reduire = false;   // shrinks to its text
    // A text that does not fit its frame is set smaller, down to this pixel size; 0: never.
    int taillePixelsMin = 0;
    double marge = 0.5;  // inner padding
    // Pictures: a dataset's picture field, or a file beside the template.
    std::optional<Expression> valeur;
    ImagePreparee imageFichier;
};

enum class GenreBande {
    TitreRapport,
    EntetePage,
    EnteteColonnes,
    Maitre,
    Detail,
    Resume,
    PiedPage,
    Enfant
};

struct BandeModele : ObjetRapport {
    GenreBande genre = GenreBande::Maitre;
    double hauteur = 0;
    QString jeu;                  // data bands: the dataset's user name
    bool reduire = false;         // ends at its lowest visible object
    bool garderEnsemble = false;  // a master row and its details on one page
    bool surPremierePage = true;  // page header
    std::optional<Expression> visibleSi;
    std::vector<std::unique_ptr<ObjetModele>> objets;
    std::unique_ptr<BandeModele> enfant;  // printed right after this band
};

// A master band with the column header printed above its rows and its detail bands.
struct GroupeDonnees {
    std::unique_ptr<BandeModele> enteteColonnes;
    std::unique_ptr<BandeModele> maitre;
    std::vector<std::unique_ptr<BandeModele>> details;
};

struct PageModele : ObjetRapport {
    QPageSize taille{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF marges{10, 10, 10, 10};
    // One endless page: no page breaks, header and footer once (CSV export switches it on).
    bool pageSansFin = false;
    std::unique_ptr<BandeModele> titre, entetePage, resume, piedPage;
    std::vector<GroupeDonnees> groupes;

    QSizeF TailleMm() const {
        const QSizeF t = taille.size(QPageSize::Millimeter);
        return orientation == QPageLayout::Landscape ? t.transposed() : t;
    }
};

// A file as it was read. Two saves within one step of the file system's clock (a millisecond
// here, two seconds on some shares) leave the same time: the size tells most of them apart.
struct VersionFichier {
    QDateTime modifie;
    qint64 taille = -1;
    static VersionFichier De(const QString& chemin) {
        const QFileInfo fichier(chemin);
        return {fichier.lastModified(), fichier.exists() ? fichier.size() : -1};
    }
    bool operator==(const VersionFichier&) const = default;
};

struct ModeleRapport {
    QString fichier;
    // The language the template is written in ("fr_FR"): the dates and numbers it prints follow
    // it, whatever the computer's regional settings. Empty: they follow the computer's.
    QString langue;
    // Every file it was read from, with its modification time.
    QHash<QString, VersionFichier> versions;
    std::vector<std::unique_ptr<PageModele>> pages;
    // Pages, bands and objects by name, without regard to case.
    QHash<QString, ObjetRapport*> parNom;
};
