#include "MessageMail.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QUrl>
#include <algorithm>
#include <stdexcept>

namespace {

const QByteArray kFinDeLigne = "\r\n";
// SMTP servers refuse longer lines; headers are folded within 78 octets wherever they can be.
constexpr qsizetype kOctetsParLigneAuPlus = 998;
// The longest text a header carries as it is, beside the header's name, within 78 octets.
constexpr qsizetype kTexteSimpleAuPlus = 60;
// Base64 characters of one encoded word: with its "=?UTF-8?B?" and "?=", and a header's name
// or a parameter's before it, the line stays within 78 octets.
constexpr qsizetype kBase64ParMotAuPlus = 56;
// Percent-encoded octets of one RFC 2231 continuation, within 78 octets with its parameter name.
constexpr qsizetype kOctetsParSuiteAuPlus = 54;
// The name an attachment carries is cut to this length, keeping an extension of at most
// kExtensionAuPlus characters: a document number of a thousand characters is no name to read.
constexpr qsizetype kNomPieceAuPlus = 100;
constexpr qsizetype kExtensionAuPlus = 10;

QStringList DecouperEntrees(const QString& texte) {
    QStringList entrees;
    QString courante;
    bool entreGuillemets = false;
    bool entreChevrons = false;
    for (const QChar c : texte) {
        if (c == u'"' && !entreChevrons) {
            entreGuillemets = !entreGuillemets;
        } else if (c == u'<' && !entreGuillemets) {
            entreChevrons = true;
        } else if (c == u'>' && !entreGuillemets) {
            entreChevrons = false;
        } else if ((c == u',' || c == u';') && !entreGuillemets && !entreChevrons) {
            entrees.append(courante);
            courante.clear();
            continue;
        }
        courante.append(c);
    }
    entrees.append(courante);
    return entrees;
}

bool EstAscii(const QString& texte) {
    for (const QChar c : texte) {
        if (c.unicode() > 0x7e || c.unicode() < 0x20) {
            return false;
        }
    }
    return true;
}

// Short printable ASCII, which goes into a header as it is.
bool TexteSimple(const QString& texte) {
    return EstAscii(texte) && texte.size() <= kTexteSimpleAuPlus;
}

// RFC 2047 encoded words, cut between characters, one a line.
QByteArray MotsEncodes(const QString& texte) {
    QByteArrayList mots;
    QByteArray morceau;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const qsizetype longueur = texte.at(i).isHighSurrogate() && i + 1 < texte.size() ? 2 : 1;
        const QByteArray caractere = texte.mid(i, longueur).toUtf8();
        i += longueur - 1;
        if ((morceau.size() + caractere.size() + 2) / 3 * 4 > kBase64ParMotAuPlus) {
            mots.append("=?UTF-8?B?" + morceau.toBase64() + "?=");
            morceau.clear();
        }
        morceau += caractere;
    }
    if (!morceau.isEmpty()) {
        mots.append("=?UTF-8?B?" + morceau.toBase64() + "?=");
    }
    return mots.join("\r\n ");
}

QByteArray EncoderMot(const QString& texte) {
    return TexteSimple(texte) ? texte.toUtf8() : MotsEncodes(texte);
}

QByteArray EncoderAdresse(const AdresseMail& adresse) {
    if (adresse.nom.isEmpty()) {
        return "<" + adresse.adresse.toUtf8() + ">";
    }
    QByteArray nom = MotsEncodes(adresse.nom);
    if (TexteSimple(adresse.nom)) {
        QString echappe = adresse.nom;
        echappe.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        nom = "\"" + echappe.toUtf8() + "\"";
    }
    return nom + " <" + adresse.adresse.toUtf8() + ">";
}

QByteArray EncoderListe(const QString& texte) {
    QByteArrayList adresses;
    for (const AdresseMail& adresse : AnalyserAdresses(texte)) {
        adresses.append(EncoderAdresse(adresse));
    }
    return adresses.join(",\r\n ");
}

QByteArray Base64EnLignes(const QByteArray& octets) {
    const QByteArray encode = octets.toBase64();
    QByteArray resultat;
    resultat.reserve(encode.size() + encode.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < encode.size(); i += 76) {
        resultat += encode.mid(i, 76) + kFinDeLigne;
    }
    return resultat;
}

QByteArray DateRfc5322(const QDateTime& date) {
    const QLocale c = QLocale::c();
    const int decalage = date.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(QChar(decalage < 0 ? u'-' : u'+'))
                             .arg(qAbs(decalage) / 60, 2, 10, QLatin1Char('0'))
                             .arg(qAbs(decalage) % 60, 2, 10, QLatin1Char('0'));
    return (c.toString(date, QStringLiteral("ddd, d MMM yyyy HH:mm:ss ")) + zone).toUtf8();
}

// A percent-encoded text cut into pieces of at most kOctetsParSuiteAuPlus, never inside an
// octet's "%XX".
QByteArrayList Suites(const QByteArray& code) {
    QByteArrayList suites;
    for (qsizetype debut = 0; debut < code.size();) {
        qsizetype fin = std::min(debut + kOctetsParSuiteAuPlus, code.size());
        if (fin < code.size()) {
            fin -= code.at(fin - 1) == '%' ? 1 : code.at(fin - 2) == '%' ? 2 : 0;
        }
        suites.append(code.mid(debut, fin - debut));
        debut = fin;
    }
    return suites;
}

// RFC 2231: the name in UTF-8, percent-encoded, in numbered continuations when it is long.
QByteArray NomFichierEtendu(const QString& nom) {
    const QByteArrayList suites = Suites(QUrl::toPercentEncoding(nom, {}, "'*"));
    if (suites.size() == 1) {
        return " filename*=UTF-8''" + suites.first();
    }
    QByteArrayList parametres;
    for (qsizetype numero = 0; numero < suites.size(); ++numero) {
        parametres.append(" filename*" + QByteArray::number(numero) +
                          "*=" + (numero == 0 ? "UTF-8''" : "") + suites.at(numero));
    }
    return parametres.join(";\r\n");
}

// By the extension of the name the recipient sees: the quote opens as a PDF in any mail program.
QByteArray TypePiece(const QString& nomFichier) {
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(nomFichier, QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() ? type.name().toLatin1()
                                               : QByteArray("application/octet-stream");
}

// The name twice: RFC 2047 words in the type's name, which older readers take, and RFC 2231 in
// the disposition's filename, which the standard reads.
QByteArray EnTetesPieceJointe(const QString& nomFichier) {
    const bool simple =
        TexteSimple(nomFichier) && !nomFichier.contains(u'"') && !nomFichier.contains(u'\\');
    const QByteArray nom = "\"" + (simple ? nomFichier.toUtf8() : MotsEncodes(nomFichier)) + "\"";
    const QByteArray disposition = simple ? " filename=" + nom : NomFichierEtendu(nomFichier);
    return "Content-Type: " + TypePiece(nomFichier) + ";" + kFinDeLigne + " name=" + nom +
           kFinDeLigne + "Content-Transfer-Encoding: base64" + kFinDeLigne +
           "Content-Disposition: attachment;" + kFinDeLigne + disposition + kFinDeLigne;
}

// What folding cannot bring within SMTP's limit (an address of a thousand characters) is
// refused before any connection, naming its header.
void VerifierLongueurDesLignes(const QByteArray& entetes) {
    QByteArray entete;
    for (const QByteArray& ligne : entetes.split('\n')) {
        if (!ligne.startsWith(' ')) {
            entete = ligne.left(ligne.indexOf(':'));
        }
        const qsizetype octets = ligne.endsWith('\r') ? ligne.size() - 1 : ligne.size();
        if (octets > kOctetsParLigneAuPlus) {
            throw std::runtime_error(
                QStringLiteral("Le message ne peut pas être envoyé : l'en-tête « %1 » a une ligne "
                               "de %2 octets, au-delà des %3 octets qu'un serveur de mail accepte.")
                    .arg(QString::fromUtf8(entete))
                    .arg(octets)
                    .arg(kOctetsParLigneAuPlus)
                    .toStdString());
        }
    }
}

QString NomCaractere(QChar c) {
    switch (c.unicode()) {
        case u'\r':
            return QStringLiteral("retour chariot");
        case u'\n':
            return QStringLiteral("saut de ligne");
        case u'\t':
            return QStringLiteral("tabulation");
        default:
            return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    }
}

// The text on one line, each control character shown as its escape.
QString Visible(const QString& texte) {
    QString visible;
    for (const QChar c : texte) {
        if (c == u'\r') {
            visible += QStringLiteral("\\r");
        } else if (c == u'\n') {
            visible += QStringLiteral("\\n");
        } else if (c.category() == QChar::Other_Control) {
            visible += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            visible += c;
        }
    }
    return visible;
}

void VerifierAdresse(const QString& adresse, const QString& champ) {
    VerifierSansCaractereDeControle(adresse, champ);
    for (const QChar c : adresse) {
        if (c.isSpace() || c == u'<' || c == u'>') {
            throw std::runtime_error(QStringLiteral("%1 contient une adresse mal formée : « %2 ».")
                                         .arg(champ, adresse)
                                         .toStdString());
        }
    }
}

void VerifierListe(const QString& liste, const QString& champ) {
    VerifierSansCaractereDeControle(liste, champ);
    for (const AdresseMail& adresse : AnalyserAdresses(liste)) {
        VerifierAdresse(adresse.adresse, champ);
    }
}

QByteArray LireFichier(const QString& chemin) {
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(QStringLiteral("Impossible de lire la pièce jointe « %1 » : %2")
                                     .arg(chemin, fichier.errorString())
                                     .toStdString());
    }
    return fichier.readAll();
}

}  // namespace

QString PieceJointe::NomDansLeMail() const {
    const QString complet = nom.isEmpty() ? QFileInfo(chemin).fileName() : nom;
    if (complet.size() <= kNomPieceAuPlus) {
        return complet;
    }
    const qsizetype point = complet.lastIndexOf(u'.');
    const qsizetype extension =
        point > 0 && complet.size() - point <= kExtensionAuPlus + 1 ? complet.size() - point : 0;
    QString debut = complet.left(kNomPieceAuPlus - extension);
    if (debut.back().isHighSurrogate()) {
        debut.chop(1);
    }
    return debut + complet.right(extension);
}

QList<AdresseMail> AnalyserAdresses(const QString& texte) {
    QList<AdresseMail> adresses;
    for (const QString& entree : DecouperEntrees(texte)) {
        const QString propre = entree.trimmed();
        if (propre.isEmpty()) {
            continue;
        }
        const qsizetype ouvrant = propre.lastIndexOf(u'<');
        const qsizetype fermant = propre.lastIndexOf(u'>');
        if (ouvrant >= 0 && fermant > ouvrant) {
            QString nom = propre.left(ouvrant).trimmed();
            if (nom.size() >= 2 && nom.startsWith(u'"') && nom.endsWith(u'"')) {
                nom = nom.mid(1, nom.size() - 2);
            }
            adresses.append({nom, propre.mid(ouvrant + 1, fermant - ouvrant - 1).trimmed()});
        } else {
            adresses.append({{}, propre});
        }
    }
    return adresses;
}

void VerifierSansCaractereDeControle(const QString& texte, const QString& champ) {
    for (const QChar c : texte) {
        if (c.category() == QChar::Other_Control) {
            throw std::runtime_error(
                QStringLiteral("%1 contient un caractère de contrôle (%2) : « %3 ».")
                    .arg(champ, NomCaractere(c), Visible(texte))
                    .toStdString());
        }
    }
}

void VerifierMessage(const MessageMail& message) {
    VerifierSansCaractereDeControle(message.expediteur.nom,
                                    QStringLiteral("Le nom de l'expéditeur"));
    VerifierAdresse(message.expediteur.adresse, QStringLiteral("L'adresse de l'expéditeur"));
    VerifierListe(message.destinataires, QStringLiteral("Le champ « A »"));
    VerifierListe(message.copies, QStringLiteral("Le champ « Cc »"));
    VerifierListe(message.copiesCachees, QStringLiteral("Le champ « Cci »"));
    VerifierSansCaractereDeControle(message.objet, QStringLiteral("Le champ « Objet »"));
    for (const PieceJointe& piece : message.piecesJointes) {
        VerifierSansCaractereDeControle(piece.NomDansLeMail(),
                                        QStringLiteral("Le nom de la pièce jointe"));
    }
}

QStringList DestinatairesEnveloppe(const MessageMail& message) {
    QStringList adresses;
    for (const QString* liste : {&message.destinataires, &message.copies, &message.copiesCachees}) {
        for (const AdresseMail& adresse : AnalyserAdresses(*liste)) {
            adresses.append(adresse.adresse);
        }
    }
    return adresses;
}

QByteArray ComposerMessage(const MessageMail& message, const QDateTime& date) {
    VerifierMessage(message);
    const QByteArray frontiere =
        "=_vantaro_" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    QByteArray texte;
    texte += "Date: " + DateRfc5322(date) + kFinDeLigne;
    texte += "From: " + EncoderAdresse(message.expediteur) + kFinDeLigne;
    if (!message.destinataires.trimmed().isEmpty()) {
        texte += "To: " + EncoderListe(message.destinataires) + kFinDeLigne;
    }
    if (!message.copies.trimmed().isEmpty()) {
        texte += "Cc: " + EncoderListe(message.copies) + kFinDeLigne;
    }
    texte += "Subject: " + EncoderMot(message.objet) + kFinDeLigne;
    texte += "Message-ID: <" + QByteArray::number(date.toMSecsSinceEpoch()) + "." +
             QByteArray::number(QRandomGenerator::global()->generate(), 36) + "@vantaro>" +
             kFinDeLigne;
    texte += "MIME-Version: 1.0" + kFinDeLigne;
    texte += "Content-Type: multipart/mixed; boundary=\"" + frontiere + "\"" + kFinDeLigne;
    VerifierLongueurDesLignes(texte);
    texte += kFinDeLigne;
    texte += "--" + frontiere + kFinDeLigne;
    texte += "Content-Type: text/plain; charset=UTF-8" + kFinDeLigne;
    texte += "Content-Transfer-Encoding: base64" + kFinDeLigne + kFinDeLigne;
    QString corps = message.corps;
    corps.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(u'\n', QStringLiteral("\r\n"));
    texte += Base64EnLignes(corps.toUtf8());
    for (const PieceJointe& piece : message.piecesJointes) {
        if (piece.chemin.isEmpty()) {
            continue;
        }
        texte += "--" + frontiere + kFinDeLigne;
        texte += EnTetesPieceJointe(piece.NomDansLeMail()) + kFinDeLigne;
        texte += Base64EnLignes(LireFichier(piece.chemin));
    }
    texte += "--" + frontiere + "--" + kFinDeLigne;
    return texte;
}

QString ObjetDocument(const QString& titre, const QString& numero, const QString& nomDocument) {
    // A line break from the job file would make the subject refused at sending.
    QString objet = titre.simplified().isEmpty() ? nomDocument.simplified() : titre.simplified();
    if (!objet.isEmpty()) {
        objet[0] = objet[0].toUpper();
    }
    if (!numero.simplified().isEmpty()) {
        objet += u' ' + numero.simplified();
    }
    return objet + QStringLiteral(" – Tessaro");
}
