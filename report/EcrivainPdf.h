#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <vector>

// The file layer of a PDF: numbered objects written one after the other, streams, and the
// cross-reference table that ends the file.
class EcrivainPdf {
public:
    explicit EcrivainPdf(QIODevice& sortie);

    // A number for an object that will be written later.
    int Reserver();
    void EcrireObjet(int numero, const QByteArray& corps);
    // The dictionary's entries go between "<<" and ">>", beside the stream's length.
    void EcrireFlux(int numero, const QByteArray& entrees, const QByteArray& donnees);
    void EcrireFluxComprime(int numero, const QByteArray& entrees, const QByteArray& donnees);
    void Terminer(int catalogue, int informations);
    // Whether some bytes could not be written.
    bool Echoue() const { return echec_; }

private:
    void Ecrire(const QByteArray& octets);

    QIODevice& sortie_;
    qint64 position_ = 0;
    bool echec_ = false;
    std::vector<qint64> positions_;  // of each object, by number - 1
};

// Numbers and strings as a content stream or a dictionary writes them.
// Two decimals of a 1/1200 inch device unit are far below what a printer shows; scale factors
// need more.
void AjouterNombre(QByteArray& sortie, double valeur, int decimales = 2);
// zlib data, as a FlateDecode stream holds it.
QByteArray Comprimer(const QByteArray& octets, int niveau);
void AjouterHex4(QByteArray& sortie, quint32 valeur);         // four hexadecimal digits
void AjouterUtf16(QByteArray& sortie, const QString& texte);  // UTF-16BE in hexadecimal
QByteArray TexteUtf16(const QString& texte);  // a text string, in hexadecimal UTF-16BE
QByteArray Nom(const QString& texte);         // a name, without its slash; other characters escaped
QByteArray Reference(int objet);              // "12 0 R"
