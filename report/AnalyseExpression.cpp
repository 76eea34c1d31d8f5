#include "NoeudExpression.h"

using Noeud = Expression::Noeud;
using PtrNoeud = std::shared_ptr<const Noeud>;

namespace {

struct FonctionConnue {
    const char* nom;
    Fonction fonction;
    int arguments;
};
constexpr FonctionConnue kFonctions[] = {
    {"si", Fonction::Si, 3},
    {"majuscules", Fonction::Majuscules, 1},
    {"minuscules", Fonction::Minuscules, 1},
    {"supprimerespaces", Fonction::SupprimerEspaces, 1},
    {"estvide", Fonction::EstVide, 1},
    {"format", Fonction::Format, 2},
    {"arrondi", Fonction::Arrondi, 2},
};

struct VariableConnue {
    const char* nom;
    Variable variable;
};
constexpr VariableConnue kVariables[] = {
    {"page", Variable::Page},   {"nbpages", Variable::NbPages}, {"date", Variable::Date},
    {"heure", Variable::Heure}, {"ligne", Variable::Ligne},
};

// A piece of the source quoted in a message, cut short.
QString Extrait(const QString& texte) {
    return texte.size() > 40 ? texte.left(40) + QStringLiteral("…") : texte;
}

bool CaractereDeNom(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Recursive descent over the source, one character position at a time.
class Analyseur {
public:
    explicit Analyseur(const QString& source) : s_(source) {}

    PtrNoeud Tout() {
        PtrNoeud racine = Ou();
        Blancs();
        if (i_ < s_.size()) {
            Echec(QStringLiteral("caractère inattendu « %1 »").arg(s_.at(i_)));
        }
        return racine;
    }

    QList<ReferenceChamp> references;
    QList<Variable> variables;

private:
    [[noreturn]] void Echec(const QString& quoi) const {
        throw ErreurExpression(QStringLiteral("%1 (position %2)").arg(quoi).arg(i_ + 1));
    }
    void Blancs() {
        while (i_ < s_.size() && s_.at(i_).isSpace()) {
            ++i_;
        }
    }
    bool Lire(QStringView symbole) {
        Blancs();
        if (QStringView(s_).mid(i_).startsWith(symbole)) {
            i_ += symbole.size();
            return true;
        }
        return false;
    }
    // A keyword is a whole word, without regard to case.
    bool LireMot(QStringView mot) {
        Blancs();
        const qsizetype fin = i_ + mot.size();
        if (QStringView(s_).mid(i_, mot.size()).compare(mot, Qt::CaseInsensitive) == 0 &&
            (fin >= s_.size() || !CaractereDeNom(s_.at(fin)))) {
            i_ = fin;
            return true;
        }
        return false;
    }
    static PtrNoeud Operation(Operateur op, PtrNoeud gauche, PtrNoeud droite = nullptr) {
        return std::make_shared<Noeud>(
            Noeud{Noeud::Operation{op, std::move(gauche), std::move(droite)}});
    }

    // Each nested sub-expression, sign and non is one level deeper.
    class Niveau {
    public:
        explicit Niveau(Analyseur& analyseur) : a_(analyseur) {
            if (++a_.profondeur_ > kProfondeurMaxExpression) {
                a_.Echec(QStringLiteral("expression imbriquée sur plus de %1 niveaux")
                             .arg(kProfondeurMaxExpression));
            }
        }
        ~Niveau() { --a_.profondeur_; }
        Niveau(const Niveau&) = delete;
        Niveau& operator=(const Niveau&) = delete;

    private:
        Analyseur& a_;
    };

    using Terme = PtrNoeud (Analyseur::*)();
    using LectureOperateur = std::optional<Operateur> (Analyseur::*)();

    PtrNoeud Suite(Terme terme, LectureOperateur operateur) {
        Noeud::Suite suite{(this->*terme)(), {}};
        while (const std::optional<Operateur> op = (this->*operateur)()) {
            suite.suivants.emplace_back(*op, (this->*terme)());
        }
        if (suite.suivants.empty()) {
            return suite.premier;
        }
        return std::make_shared<Noeud>(Noeud{std::move(suite)});
    }
    std::optional<Operateur> OperateurOu() {
        return LireMot(u"ou") ? std::optional(Operateur::Ou) : std::nullopt;
    }
    std::optional<Operateur> OperateurEt() {
        return LireMot(u"et") ? std::optional(Operateur::Et) : std::nullopt;
    }
    std::optional<Operateur> OperateurSomme() {
        if (Lire(u"+")) {
            return Operateur::Plus;
        }
        return Lire(u"-") ? std::optional(Operateur::Moins) : std::nullopt;
    }
    std::optional<Operateur> OperateurProduit() {
        if (Lire(u"*")) {
            return Operateur::Fois;
        }
        return Lire(u"/") ? std::optional(Operateur::Divise) : std::nullopt;
    }

    PtrNoeud Ou() {
        const Niveau niveau(*this);
        return Suite(&Analyseur::Et, &Analyseur::OperateurOu);
    }
    PtrNoeud Et() { return Suite(&Analyseur::Non, &Analyseur::OperateurEt); }
    PtrNoeud Non() {
        if (LireMot(u"non")) {
            const Niveau niveau(*this);
            return Operation(Operateur::Non, Non());
        }
        return Comparaison();
    }
    PtrNoeud Comparaison() {
        PtrNoeud gauche = Somme();
        static const std::pair<const char16_t*, Operateur> comparateurs[] = {
            {u"<>", Operateur::Different},     {u"<=", Operateur::InferieurEgal},
            {u">=", Operateur::SuperieurEgal}, {u"=", Operateur::Egal},
            {u"<", Operateur::Inferieur},      {u">", Operateur::Superieur},
        };
        for (const auto& [symbole, op] : comparateurs) {
            if (Lire(symbole)) {
                return Operation(op, gauche, Somme());
            }
        }
        return gauche;
    }
    PtrNoeud Somme() { return Suite(&Analyseur::Produit, &Analyseur::OperateurSomme); }
    PtrNoeud Produit() { return Suite(&Analyseur::Unaire, &Analyseur::OperateurProduit); }
    PtrNoeud Unaire() {
        if (Lire(u"-")) {
            const Niveau niveau(*this);
            return Operation(Operateur::Oppose, Unaire());
        }
        return Primaire();
    }
    PtrNoeud Constante(QVariant valeur) {
        return std::make_shared<Noeud>(Noeud{std::move(valeur)});
    }

    PtrNoeud Primaire() {
        Blancs();
        if (i_ >= s_.size()) {
            Echec(QStringLiteral("expression incomplète"));
        }
        const QChar c = s_.at(i_);
        if (Lire(u"(")) {
            PtrNoeud dedans = Ou();
            if (!Lire(u")")) {
                Echec(QStringLiteral("« ) » attendue"));
            }
            return dedans;
        }
        if (c.isDigit()) {
            return Nombre();
        }
        if (c == QLatin1Char('\'')) {
            return Constante(Chaine());
        }
        if (PtrNoeud champ = Champ()) {
            return champ;
        }
        if (CaractereDeNom(c)) {
            return Nom();
        }
        Echec(QStringLiteral("caractère inattendu « %1 »").arg(c));
    }

    PtrNoeud Nombre() {
        const qsizetype debut = i_;
        while (i_ < s_.size() && (s_.at(i_).isDigit() || s_.at(i_) == QLatin1Char('.'))) {
            ++i_;
        }
        const QString texte = s_.mid(debut, i_ - debut);
        bool ok = false;
        if (!texte.contains(QLatin1Char('.'))) {
            const qlonglong entier = texte.toLongLong(&ok);
            if (ok) {
                return Constante(entier);
            }
        }
        const double reel = texte.toDouble(&ok);
        if (!ok) {
            Echec(QStringLiteral("nombre mal formé « %1 »").arg(Extrait(texte)));
        }
        return Constante(reel);
    }

    QString Chaine() {
        QString texte;
        for (++i_; i_ < s_.size(); ++i_) {
            if (s_.at(i_) == QLatin1Char('\'')) {
                if (i_ + 1 < s_.size() && s_.at(i_ + 1) == QLatin1Char('\'')) {
                    texte += QLatin1Char('\'');
                    ++i_;
                    continue;
                }
                ++i_;
                return texte;
            }
            texte += s_.at(i_);
        }
        Echec(QStringLiteral("texte sans apostrophe de fin"));
    }

    // Jeu."Champ": the dataset's user name may hold spaces, so it runs up to the ." that follows,
    // and holds no operator.
    PtrNoeud Champ() {
        static const QString interdits = QStringLiteral("+-*/(),=<>'\"");
        qsizetype point = i_;
        for (; point + 1 < s_.size(); ++point) {
            if (s_.at(point) == QLatin1Char('.') && s_.at(point + 1) == QLatin1Char('"')) {
                break;
            }
            if (interdits.contains(s_.at(point))) {
                return nullptr;
            }
        }
        if (point + 1 >= s_.size()) {
            return nullptr;
        }
        const QString jeu = s_.mid(i_, point - i_).trimmed();
        if (jeu.isEmpty()) {
            return nullptr;
        }
        const qsizetype fin = s_.indexOf(QLatin1Char('"'), point + 2);
        if (fin < 0) {
            i_ = point;
            Echec(QStringLiteral("nom de champ sans guillemet de fin"));
        }
        ReferenceChamp reference{jeu, s_.mid(point + 2, fin - point - 2)};
        i_ = fin + 1;
        references.append(reference);
        return std::make_shared<Noeud>(Noeud{reference});
    }

    PtrNoeud Nom() {
        const qsizetype debut = i_;
        while (i_ < s_.size() && CaractereDeNom(s_.at(i_))) {
            ++i_;
        }
        const QString nom = s_.mid(debut, i_ - debut).toLower();
        if (nom == QLatin1String("vrai") || nom == QLatin1String("faux")) {
            return Constante(nom == QLatin1String("vrai"));
        }
        for (const FonctionConnue& f : kFonctions) {
            if (nom == QLatin1String(f.nom)) {
                return Appel(f);
            }
        }
        for (const VariableConnue& v : kVariables) {
            if (nom == QLatin1String(v.nom)) {
                variables.append(v.variable);
                return std::make_shared<Noeud>(Noeud{v.variable});
            }
        }
        i_ = debut;
        Echec(QStringLiteral("nom inconnu « %1 »").arg(Extrait(s_.mid(debut, nom.size()))));
    }

    PtrNoeud Appel(const FonctionConnue& f) {
        if (!Lire(u"(")) {
            Echec(QStringLiteral("« ( » attendue après %1").arg(QLatin1String(f.nom)));
        }
        Noeud::Appel appel{f.fonction, {}};
        if (!Lire(u")")) {
            do {
                appel.arguments.push_back(Ou());
            } while (Lire(u","));
            if (!Lire(u")")) {
                Echec(QStringLiteral("« ) » attendue"));
            }
        }
        if (static_cast<int>(appel.arguments.size()) != f.arguments) {
            Echec(QStringLiteral("la fonction %1 prend %2 argument(s)")
                      .arg(QLatin1String(f.nom))
                      .arg(f.arguments));
        }
        return std::make_shared<Noeud>(Noeud{std::move(appel)});
    }

    const QString& s_;
    qsizetype i_ = 0;
    int profondeur_ = 0;
};

}  // namespace

ExpressionAnalysee AnalyserSource(const QString& source) {
    Analyseur analyseur(source);
    PtrNoeud racine = analyseur.Tout();
    return {std::move(racine), std::move(analyseur.references), std::move(analyseur.variables)};
}
