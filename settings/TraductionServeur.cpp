#include "TraductionServeur.h"

#include <optional>

namespace {

const QStringList kNomsTable = {
    QStringLiteral("Parametres"), QStringLiteral("Agence"), QStringLiteral("Utilisateur"),
    QStringLiteral("Section"), QStringLiteral("Cle"), QStringLiteral("ValeurType"),
    QStringLiteral("ValeurChaine"), QStringLiteral("ValeurEntier"), QStringLiteral("ValeurMemo"),
    // The record of sent mail.
    QStringLiteral("EnvoisMail"), QStringLiteral("Horodatage"), QStringLiteral("Expediteur"),
    QStringLiteral("Destinataires"), QStringLiteral("Copies"), QStringLiteral("CopiesCachees"),
    QStringLiteral("Objet"), QStringLiteral("PiecesJointes"), QStringLiteral("TitreDocument"),
    QStringLiteral("NumeroDocument"), QStringLiteral("Statut"), QStringLiteral("Reponse"),
    QStringLiteral("Copie")};

bool DebutNom(QChar caractere) {
    return caractere.isLetter() || caractere == u'_';
}

bool DansNom(QChar caractere) {
    return DebutNom(caractere) || caractere.isDigit();
}

qsizetype FinNom(const QString& texte, qsizetype debut) {
    qsizetype fin = debut;
    while (fin < texte.size() && DansNom(texte.at(fin))) {
        ++fin;
    }
    return fin;
}

// The table's own spelling of a name of the table, or nothing.
QString NomDeLaTable(const QString& nom) {
    for (const QString& connu : kNomsTable) {
        if (connu.compare(nom, Qt::CaseInsensitive) == 0) {
            return connu;
        }
    }
    return {};
}

QString Guillemets(const QString& nom) {
    return u'"' + nom + u'"';
}

class Traducteur {
public:
    explicit Traducteur(const QString& texte) : texte_(texte) {}

    InstructionServeur Traduire() {
        while (position_ < texte_.size()) {
            const QChar caractere = texte_.at(position_);
            if (caractere == u'\'' || caractere == u'"') {
                CopierCite(caractere);
            } else if (caractere == u'`') {
                NomCite();
            } else if (caractere == u':' && Suivant().has_value() && DebutNom(*Suivant()) &&
                       !Precede(u':')) {
                Parametre();
            } else if (DebutNom(caractere) &&
                       !(position_ > 0 && DansNom(texte_.at(position_ - 1)))) {
                Mot();
            } else {
                if (caractere == u';' && !texte_.mid(position_ + 1).trimmed().isEmpty()) {
                    resultat_.plusieurs = true;
                }
                resultat_.texte += caractere;
                ++position_;
            }
        }
        return resultat_;
    }

private:
    std::optional<QChar> Suivant() const {
        if (position_ + 1 < texte_.size()) {
            return texte_.at(position_ + 1);
        }
        return std::nullopt;
    }

    bool Precede(QChar caractere) const {
        return position_ > 0 && texte_.at(position_ - 1) == caractere;
    }

    // A doubled quote inside is read as the end of one quoted part and the start of the next.
    void CopierCite(QChar guillemet) {
        qsizetype fin = texte_.indexOf(guillemet, position_ + 1);
        fin = fin < 0 ? texte_.size() : fin + 1;
        resultat_.texte += texte_.mid(position_, fin - position_);
        position_ = fin;
    }

    void NomCite() {
        qsizetype fin = texte_.indexOf(u'`', position_ + 1);
        fin = fin < 0 ? texte_.size() : fin;
        const QString nom = texte_.mid(position_ + 1, fin - position_ - 1);
        const QString connu = NomDeLaTable(nom);
        resultat_.texte += Guillemets(connu.isEmpty() ? nom : connu);
        position_ = fin + 1;
    }

    void Parametre() {
        const qsizetype fin = FinNom(texte_, position_ + 1);
        const QString nom = texte_.mid(position_ + 1, fin - position_ - 1);
        if (!resultat_.parametres.contains(nom)) {
            resultat_.parametres << nom;
        }
        resultat_.texte += u'$' + QString::number(resultat_.parametres.indexOf(nom) + 1);
        position_ = fin;
    }

    void Mot() {
        const qsizetype fin = FinNom(texte_, position_);
        const QString mot = texte_.mid(position_, fin - position_);
        const QString connu = NomDeLaTable(mot);
        resultat_.texte += connu.isEmpty() ? mot : Guillemets(connu);
        position_ = fin;
    }

    const QString& texte_;
    qsizetype position_ = 0;
    InstructionServeur resultat_;
};

}  // namespace

InstructionServeur TraduirePourServeur(const QString& texte) {
    return Traducteur(texte).Traduire();
}
