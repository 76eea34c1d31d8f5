#include "ImagesPdf.h"

#include "CachePdf.h"
#include "EcrivainPdf.h"
#include "ImagePreparee.h"

QByteArray ImagesPdf::Ressource(const ImagePreparee& image, const QSize& utiles) {
    const std::pair<qint64, QSize> cle{image.Cle(),
                                       CachePdf::TailleEmbarquee(image.Taille(), utiles)};
    auto connue = images_.constFind(cle);
    if (connue != images_.constEnd()) {
        return connue->first;
    }
    const std::shared_ptr<const ImagePdf> pdf = cache_.Image(image, utiles);
    if (!pdf) {
        return {};
    }
    const QByteArray taille = "/Type /XObject /Subtype /Image /Width " +
                              QByteArray::number(pdf->largeur) + " /Height " +
                              QByteArray::number(pdf->hauteur) + " /BitsPerComponent 8 ";
    QByteArray masque;
    if (!pdf->masque.donnees.isEmpty()) {
        const int objet = ecrivain_.Reserver();
        ecrivain_.EcrireFlux(objet, taille + pdf->masque.entrees, pdf->masque.donnees);
        masque = " /SMask " + Reference(objet);
    }
    const int objet = ecrivain_.Reserver();
    ecrivain_.EcrireFlux(objet, taille + pdf->couleurs.entrees + masque, pdf->couleurs.donnees);
    const QByteArray ressource = "Im" + QByteArray::number(images_.size() + 1);
    images_.insert(cle, {ressource, objet});
    ressources_ += '/' + ressource + ' ' + Reference(objet) + ' ';
    return ressource;
}
