#pragma once

#include <QString>
#include <QWidget>

class Ihm;
class QLabel;
class QPushButton;

// A folder as the line shows it: whole when it is short, else its last components after "…",
// so that the end of the path, the part a person recognises, stays.
QString DossierRaccourci(const QString& dossier, int longueurMax = 48);
// « Exporté : Devis DV2025-00001-5.pdf dans …/Documents ».
QString TexteExporte(const QString& chemin);
// « Envoyé à l'imprimante Vantaro_PDF (2 pages) ».
QString TexteImprime(const QString& imprimante, int pages);

// The line under a document that says where the last export went or which printer got the last
// job, or why that failed; after an export, « Ouvrir le dossier » opens its folder.
class LigneEtat : public QWidget {
    Q_OBJECT
public:
    explicit LigneEtat(QWidget* parent = nullptr);

    // Without it the button cannot open anything and stays hidden.
    void DefinirIhm(Ihm& ihm) { ihm_ = &ihm; }
    void Exporte(const QString& chemin);
    void Imprime(const QString& imprimante, int pages);
    // The prefix says what failed (« L'export a échoué : »), the reason why.
    void Echec(const QString& prefixe, const QString& raison);
    QString Texte() const;
    void btnOuvrirDossierClick();

private:
    void Afficher(const QString& texte, const QString& dossier);

    QLabel* lblEtat_;
    QPushButton* btnOuvrirDossier_;
    Ihm* ihm_ = nullptr;
    QString dossier_;
};
