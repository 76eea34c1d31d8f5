#include "FichierIni.h"

#include <QFile>
#include <algorithm>

#include "PagesDeCode.h"

namespace {

QString SansGuillemets(const QString& valeur) {
    if (valeur.size() >= 2 && (valeur.front() == u'"' || valeur.front() == u'\'') &&
        valeur.back() == valeur.front()) {
        return valeur.mid(1, valeur.size() - 2);
    }
    return valeur;
}

}  // namespace

FichierIni::FichierIni(const QString& chemin) {
    QFile fichier(chemin);
    if (fichier.open(QIODevice::ReadOnly)) {
        Analyser(DepuisTexteHote(fichier.readAll()));
    }
}

FichierIni FichierIni::DepuisTexte(const QString& texte) {
    FichierIni ini;
    ini.Analyser(texte);
    return ini;
}

void FichierIni::Analyser(const QString& texte) {
    QHash<QString, QString>* courante = nullptr;
    QString contenu = texte;
    if (contenu.startsWith(QChar(0xFEFF))) {
        contenu.remove(0, 1);
    }
    const QStringList lignes = contenu.split(u'\n');
    for (const QString& brute : lignes) {
        const QString ligne = brute.trimmed();
        if (ligne.isEmpty() || ligne.startsWith(u';')) {
            continue;
        }
        if (ligne.startsWith(u'[')) {
            const qsizetype fin = ligne.indexOf(u']');
            const QString nom = ligne.mid(1, fin < 0 ? -1 : fin - 1).trimmed().toLower();
            // A section written twice keeps the keys of its first occurrence first.
            courante = &sections_[nom];
            continue;
        }
        const qsizetype egal = ligne.indexOf(u'=');
        if (egal <= 0 || courante == nullptr) {
            continue;
        }
        const QString cle = ligne.left(egal).trimmed().toLower();
        if (!courante->contains(cle)) {
            courante->insert(cle, SansGuillemets(ligne.mid(egal + 1).trimmed()));
        }
    }
}

const QString* FichierIni::Valeur(const QString& section, const QString& cle) const {
    const auto s = sections_.constFind(section.trimmed().toLower());
    if (s == sections_.constEnd()) {
        return nullptr;
    }
    const auto v = s->constFind(cle.trimmed().toLower());
    return v == s->constEnd() ? nullptr : &*v;
}

QString FichierIni::LireTexte(const QString& section, const QString& cle,
                              const QString& defaut) const {
    const QString* valeur = Valeur(section, cle);
    return valeur ? *valeur : defaut;
}

int FichierIni::LireEntier(const QString& section, const QString& cle, int defaut) const {
    const QString* valeur = Valeur(section, cle);
    if (!valeur) {
        return defaut;
    }
    bool ok = false;
    const int nombre = valeur->toInt(&ok, 10);
    return ok ? nombre : defaut;
}

bool FichierIni::LireBooleen(const QString& section, const QString& cle, bool defaut) const {
    return LireEntier(section, cle, defaut ? 1 : 0) != 0;
}

QString FichierIni::CleNumerotee(const QString& radical, int numero) {
    return radical + QString::number(numero);
}

QList<int> FichierIni::NumerosPresents(const QString& section, const QString& radical,
                                       int maximum) const {
    QList<int> numeros;
    const auto s = sections_.constFind(section.trimmed().toLower());
    if (s == sections_.constEnd()) {
        return numeros;
    }
    const QString debut = radical.toLower();
    for (auto cle = s->keyBegin(); cle != s->keyEnd(); ++cle) {
        if (!cle->startsWith(debut)) {
            continue;
        }
        const QStringView chiffres = QStringView(*cle).mid(debut.size());
        bool ok = false;
        const qlonglong numero = chiffres.toLongLong(&ok);
        // Written as CleNumerotee writes it: decimal digits without sign or leading zero.
        if (ok && numero >= 1 && numero <= maximum && chiffres == QString::number(numero)) {
            numeros.append(int(numero));
        }
    }
    std::sort(numeros.begin(), numeros.end());
    return numeros;
}
