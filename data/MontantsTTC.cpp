#include "MontantsTTC.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <set>

#include "Arrondi.h"

namespace {

// Amounts are whole numbers of millionths of a euro and rates of thousandths of a percent, so that
// three-decimal prices times decimal quantities stay exact; their products need 128 bits.
using Entier = __int128;
constexpr qint64 kMillioniemesParCentime = 10'000;
constexpr qint64 kCentPourcent = 100'000;
// The French rates a document's TVA may be made of, highest first.
constexpr qint64 kTauxStandard[] = {20'000, 10'000, 5'500, 2'100};

// Beyond any quote, and beyond what the products below hold: such a figure is taken for none.
constexpr double kMontantMax = 1e12;

qint64 EnUnites(double nombre, int decimales) {
    return std::llround(ArrondiDecimal(nombre, decimales) * std::pow(10.0, decimales));
}

std::optional<qint64> Montant(std::optional<double> nombre, int decimales) {
    if (!nombre || !(std::abs(*nombre) < kMontantMax)) {
        return std::nullopt;
    }
    return EnUnites(*nombre, decimales);
}

// n / d to the nearest, halves away from zero, for d > 0.
Entier Arrondi(Entier n, Entier d) {
    return n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d));
}

std::optional<double> Nombre(const TableMemoire& table, int position, const QString& nom) {
    const int champ = table.IndexChamp(nom);
    const QVariant valeur = champ < 0 ? QVariant() : table.ValeurA(position, champ);
    return valeur.isNull() ? std::nullopt : std::optional(valeur.toDouble());
}

// A price to the rate num / den, as a fraction.
struct Facteur {
    qint64 numerateur;
    qint64 denominateur;
};

struct Entete {
    std::optional<qint64> ht, tva, ttc;  // cents

    std::optional<Facteur> Moyen() const {
        if (!ht || !tva || *ht == 0) {
            return std::nullopt;
        }
        return Facteur{*ht + *tva, *ht};
    }
    // The standard rate that gives the TVA from the HT to the cent.
    std::optional<qint64> TauxStandard() const {
        if (!Moyen()) {
            return std::nullopt;
        }
        for (const qint64 taux : kTauxStandard) {
            if (Arrondi(Entier(*ht) * taux, kCentPourcent) == *tva) {
                return taux;
            }
        }
        return std::nullopt;
    }
};

Entete LireEntete(const TableMemoire& entete) {
    const auto centimes = [&](const QString& nom) -> std::optional<qint64> {
        const std::optional<double> nombre = Nombre(entete, 0, nom);
        return Montant(nombre, 2);
    };
    return {centimes(QStringLiteral("totalHT")), centimes(QStringLiteral("totalTVA")),
            centimes(QStringLiteral("totalTTC"))};
}

struct LigneLue {
    std::optional<double> prix;
    std::optional<qint64> ht;    // millionths; nothing on a special line or without amounts
    std::optional<qint64> taux;  // thousandths of a percent
};

LigneLue LireLigne(const TableMemoire& lignes, int position) {
    if (Nombre(lignes, position, QStringLiteral("Id")) == -1.0) {
        return {};
    }
    const std::optional<double> prix = Nombre(lignes, position, QStringLiteral("prixUnitaire"));
    const std::optional<double> quantite = Nombre(lignes, position, QStringLiteral("quantite"));
    std::optional<double> ht = Nombre(lignes, position, QStringLiteral("totalLigne"));
    if (!ht && prix && quantite) {
        ht = *prix * *quantite;
    }
    const std::optional<double> taux = Nombre(lignes, position, QStringLiteral("tauxTVA"));
    return {prix, Montant(ht, 6), Montant(taux, 3)};
}

QString TexteTaux(qint64 taux) {
    return QLocale(QLocale::French).toString(taux / 1000.0, 'f', QLocale::FloatingPointShortest) +
           QStringLiteral("\u00a0%");
}

// "2,1 %, 5,5 % et 20 %"
QString Enumeration(const std::set<qint64>& taux) {
    QStringList textes;
    for (const qint64 t : taux) {
        textes << TexteTaux(t);
    }
    const QString dernier = textes.takeLast();
    return textes.isEmpty() ? dernier : textes.join(QStringLiteral(", ")) + " et " + dernier;
}

// Shares the total (cents) out in proportion to the exact amounts (in units of `centime` per
// cent): each share floored, the missing cents to the largest remainders. Amounts that cancel out
// leave nothing to share in proportion: each is then rounded.
std::vector<qint64> Repartir(const std::vector<Entier>& exacts, std::optional<qint64> total,
                             Entier centime) {
    // Exact amounts hold in 128 bits, but neither their sum over hundreds of lines of the largest
    // figures nor its product with the total: the sharing is done in long double, whose 64-bit
    // mantissa keeps each share far below the cent.
    std::vector<long double> enCentimes(exacts.size());
    std::transform(exacts.begin(), exacts.end(), enCentimes.begin(), [&](Entier exact) {
        return static_cast<long double>(exact) / static_cast<long double>(centime);
    });
    const long double somme = std::accumulate(enCentimes.begin(), enCentimes.end(), 0.0L);
    std::vector<qint64> parts(exacts.size());
    if (somme == 0) {
        std::transform(exacts.begin(), exacts.end(), parts.begin(),
                       [&](Entier exact) { return qint64(Arrondi(exact, centime)); });
        return parts;
    }
    const qint64 cible = total ? *total : std::llround(somme);
    std::vector<long double> restes(exacts.size());
    qint64 distribue = 0;
    for (size_t i = 0; i < exacts.size(); ++i) {
        const long double part = enCentimes[i] * static_cast<long double>(cible) / somme;
        const long double plancher = std::floor(part);
        restes[i] = part - plancher;
        parts[i] = qint64(plancher);
        distribue += parts[i];
    }
    std::vector<size_t> ordre(exacts.size());
    std::iota(ordre.begin(), ordre.end(), size_t(0));
    std::stable_sort(ordre.begin(), ordre.end(),
                     [&](size_t a, size_t b) { return restes[a] > restes[b]; });
    const qint64 manquants = std::clamp(cible - distribue, qint64(0), qint64(exacts.size()));
    for (qint64 i = 0; i < manquants; ++i) {
        ++parts[ordre[size_t(i)]];
    }
    return parts;
}

}  // namespace

MontantsTTC::MontantsTTC(const TableMemoire& entete, const TableMemoire& lignes)
    : entete_(entete), lignes_(lignes) {}

QVariant MontantsTTC::PrixUnitaireTTC() const {
    const Ligne* ligne = LigneCourante();
    return ligne ? ligne->prixTTC : QVariant();
}

QVariant MontantsTTC::TotalTTC() const {
    const Ligne* ligne = LigneCourante();
    return ligne ? ligne->totalTTC : QVariant();
}

QString MontantsTTC::TauxTVA() const {
    return Actuel().taux;
}

QString MontantsTTC::TauxMoyen() const {
    return Actuel().tauxMoyen;
}

bool MontantsTTC::TauxParLigne() const {
    return Actuel().tauxParLigne;
}

const MontantsTTC::Calcul& MontantsTTC::Actuel() const {
    if (versionEntete_ != entete_.Version() || versionLignes_ != lignes_.Version()) {
        calcul_ = Calculer();
        versionEntete_ = entete_.Version();
        versionLignes_ = lignes_.Version();
    }
    return calcul_;
}

const MontantsTTC::Ligne* MontantsTTC::LigneCourante() const {
    const std::vector<Ligne>& lignes = Actuel().lignes;
    const int position = lignes_.Position();
    return position >= 0 && position < int(lignes.size()) ? &lignes[size_t(position)] : nullptr;
}

MontantsTTC::Calcul MontantsTTC::Calculer() const {
    const Entete entete = LireEntete(entete_);
    const std::optional<Facteur> moyen = entete.Moyen();
    // A common denominator for the lines' own rates and the average one.
    const qint64 denominateurMoyen = moyen ? moyen->denominateur : 1;
    const Entier denominateur = Entier(kCentPourcent) * denominateurMoyen;

    Calcul calcul;
    calcul.lignes.resize(size_t(std::max(0, lignes_.NombreLignes())));
    std::vector<size_t> chiffrees;
    std::vector<Entier> exacts;
    std::set<qint64> taux;
    bool sansTaux = false;
    for (size_t position = 0; position < calcul.lignes.size(); ++position) {
        const LigneLue lue = LireLigne(lignes_, int(position));
        calcul.tauxParLigne = calcul.tauxParLigne || lue.taux;
        const std::optional<Facteur> facteur =
            lue.taux ? std::optional(Facteur{kCentPourcent + *lue.taux, kCentPourcent}) : moyen;
        if (!lue.ht || !facteur) {
            continue;
        }
        if (lue.taux) {
            taux.insert(*lue.taux);
        }
        sansTaux = sansTaux || !lue.taux;
        if (lue.prix) {
            calcul.lignes[position].prixTTC =
                ArrondiDecimal(*lue.prix * facteur->numerateur / facteur->denominateur, 2);
        }
        chiffrees.push_back(position);
        exacts.push_back(Entier(*lue.ht) * facteur->numerateur *
                         (denominateur / facteur->denominateur));
    }
    const std::vector<qint64> parts =
        Repartir(exacts, entete.ttc, denominateur * kMillioniemesParCentime);
    for (size_t i = 0; i < chiffrees.size(); ++i) {
        calcul.lignes[chiffrees[i]].totalTTC = parts[i] / 100.0;
    }

    const std::optional<qint64> standard = entete.TauxStandard();
    if (calcul.tauxParLigne) {
        calcul.taux = sansTaux || taux.empty() ? QString() : Enumeration(taux);
    } else if (standard) {
        calcul.taux = TexteTaux(*standard);
    }
    if (standard) {
        calcul.tauxMoyen = TexteTaux(*standard);
    } else if (moyen) {
        calcul.tauxMoyen = TexteTaux(EnUnites(100.0 * *entete.tva / *entete.ht, 2) * 10);
    }
    return calcul;
}
