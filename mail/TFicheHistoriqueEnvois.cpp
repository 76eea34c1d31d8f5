#include "TFicheHistoriqueEnvois.h"

#include <QClipboard>
#include <QColor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QLocale>
#include <QShortcut>
#include <algorithm>
#include <exception>

#include "CadreDialogue.h"
#include "Ihm.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TexteEnvois.h"
#include "ui_TFicheHistoriqueEnvois.h"

namespace {

enum Colonne { Date, Utilisateur, Destinataires, Objet, Document, Pieces, Resultat };

// To, then Cc and Bcc when there are some, on one line.
QString TousLesDestinataires(const EnvoiNote& envoi) {
    QStringList parties{envoi.destinataires};
    if (!envoi.copies.isEmpty()) {
        parties << QStringLiteral("Cc : ") + envoi.copies;
    }
    if (!envoi.copiesCachees.isEmpty()) {
        parties << QStringLiteral("Cci : ") + envoi.copiesCachees;
    }
    return parties.join(QStringLiteral(" ; "));
}

}  // namespace

TFicheHistoriqueEnvois::TFicheHistoriqueEnvois(Ihm& ihm, TDataModuleAbs& dataModule,
                                               QWidget* proprietaire)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheHistoriqueEnvois>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    AppliquerCadreDialogue(*this, TailleFenetre::Redimensionnable);
    QHeaderView* entete = ui_->lvEnvois->header();
    entete->setStretchLastSection(false);
    entete->setSectionResizeMode(QHeaderView::Interactive);
    entete->setSectionResizeMode(Destinataires, QHeaderView::Stretch);
    entete->setSectionResizeMode(Objet, QHeaderView::Stretch);
    for (const auto& [colonne, largeur] :
         {std::pair{Date, 130}, std::pair{Utilisateur, 100}, std::pair{Document, 140},
          std::pair{Pieces, 150}, std::pair{Resultat, 170}}) {
        ui_->lvEnvois->setColumnWidth(colonne, largeur);
    }
    ui_->separation->setStretchFactor(0, 2);
    ui_->separation->setStretchFactor(1, 1);
    attenteRecherche_.setSingleShot(true);
    attenteRecherche_.setInterval(300);
    connect(&attenteRecherche_, &QTimer::timeout, this, &TFicheHistoriqueEnvois::Lecture);
    connect(ui_->edtRecherche, &QLineEdit::textChanged, this,
            [this] { attenteRecherche_.start(); });
    connect(ui_->edtRecherche, &QLineEdit::returnPressed, this, &TFicheHistoriqueEnvois::Lecture);
    connect(ui_->lvEnvois, &QTreeWidget::itemSelectionChanged, this,
            &TFicheHistoriqueEnvois::SelectionChangee);
    connect(ui_->btnCopier, &QPushButton::clicked, this, &TFicheHistoriqueEnvois::btnCopierClick);
    connect(ui_->btnRenvoyer, &QPushButton::clicked, this,
            &TFicheHistoriqueEnvois::btnRenvoyerClick);
    connect(ui_->btnFermer, &QPushButton::clicked, this, &QDialog::reject);
    auto* copier = new QShortcut(QKeySequence::Copy, ui_->lvEnvois);
    copier->setContext(Qt::WidgetShortcut);
    connect(copier, &QShortcut::activated, this, &TFicheHistoriqueEnvois::btnCopierClick);
}

TFicheHistoriqueEnvois::~TFicheHistoriqueEnvois() = default;

void TFicheHistoriqueEnvois::SetDocument(const QString& titre, const QString& numero) {
    titreDocument_ = titre;
    numeroDocument_ = numero;
    ui_->btnRenvoyer->setVisible(!numero.isEmpty());
}

void TFicheHistoriqueEnvois::FormActivate() {
    if (dejaAffiche_) {
        return;
    }
    dejaAffiche_ = true;
    ui_->lblNiveau->setText(LigneNiveau({agence_, utilisateur_}));
    // A user sees only their own sends: the column would say the same name on every row.
    ui_->lvEnvois->setColumnHidden(Utilisateur, !utilisateur_.isEmpty());
    Lecture();
}

void TFicheHistoriqueEnvois::Lecture() {
    attenteRecherche_.stop();
    ui_->lvEnvois->clear();
    envois_.clear();
    FiltreEnvois filtre = FiltreDuNiveau({agence_, utilisateur_});
    filtre.texte = ui_->edtRecherche->text();
    filtre.statuts = StatutsNommes(filtre.texte);
    filtre.limite = kNombreAffiche;
    try {
        const SessionBDD session(dataModule_, fichierBDD_);
        envois_ = LireEnvois(dataModule_, filtre);
    } catch (const std::exception& erreur) {
        ui_->lblNombre->clear();
        ihm_.Information(this, QStringLiteral("TFicheHistoriqueEnvois::Lecture : ") +
                                   QString::fromUtf8(erreur.what()));
        return;
    }
    const QLocale francais(QLocale::French, QLocale::France);
    for (const EnvoiNote& envoi : envois_) {
        auto* ligne = new QTreeWidgetItem(ui_->lvEnvois);
        ligne->setText(Date, francais.toString(envoi.horodatage.toLocalTime(),
                                               QStringLiteral("dd/MM/yyyy HH:mm")));
        ligne->setText(Utilisateur, envoi.utilisateur);
        ligne->setText(Destinataires, TousLesDestinataires(envoi));
        ligne->setText(Objet, envoi.objet);
        ligne->setText(Document,
                       QStringList{envoi.titreDocument, envoi.numeroDocument}.join(u' ').trimmed());
        const QString pieces = TextePieces(envoi.pieces);
        ligne->setText(Pieces, pieces.split(u'\n').join(QStringLiteral(", ")));
        ligne->setToolTip(Pieces, pieces);
        ligne->setText(Resultat, LibelleStatut(envoi.statut));
        ligne->setToolTip(
            Resultat, envoi.copie.isEmpty() ? envoi.reponse : envoi.reponse + u'\n' + envoi.copie);
        if (envoi.statut != StatutEnvoi::Envoye) {
            ligne->setForeground(Resultat, QColor(envoi.statut == StatutEnvoi::CopieNonClassee
                                                      ? QColor(0x9a, 0x5b, 0x00)
                                                      : QColor(0xb0, 0x00, 0x20)));
        }
    }
    // The document's title and number are read whole; the recipients and subject give way.
    const int largeur = ui_->lvEnvois->columnWidth(Document);
    ui_->lvEnvois->resizeColumnToContents(Document);
    ui_->lvEnvois->setColumnWidth(Document,
                                  std::max(largeur, ui_->lvEnvois->columnWidth(Document)));
    const qsizetype nombre = envois_.size();
    ui_->lblNombre->setText(
        nombre >= kNombreAffiche
            ? QStringLiteral("Les %1 envois les plus récents ; précisez la recherche.")
                  .arg(kNombreAffiche)
        : nombre == 0 ? QStringLiteral("Aucun envoi")
        : nombre == 1 ? QStringLiteral("1 envoi")
                      : QStringLiteral("%1 envois").arg(nombre));
    SelectionChangee();
}

const EnvoiNote* TFicheHistoriqueEnvois::EnvoiChoisi() const {
    const QTreeWidgetItem* ligne = ui_->lvEnvois->currentItem();
    const int indice = ligne && ligne->isSelected()
                           ? ui_->lvEnvois->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(ligne))
                           : -1;
    return indice >= 0 && indice < envois_.size() ? &envois_[indice] : nullptr;
}

void TFicheHistoriqueEnvois::SelectionChangee() {
    const EnvoiNote* envoi = EnvoiChoisi();
    ui_->btnCopier->setEnabled(envoi != nullptr);
    const QString raison = envoi ? RaisonDeNePasRenvoyer(*envoi) : QString();
    ui_->btnRenvoyer->setEnabled(envoi && raison.isEmpty());
    ui_->btnRenvoyer->setToolTip(
        envoi && raison.isEmpty()
            ? QStringLiteral("Reprendre les destinataires et l'objet de cet envoi dans le message")
            : raison);
    ui_->mmoDetail->setPlainText(envoi ? DetailEnvoi(*envoi) : QString());
}

QString TFicheHistoriqueEnvois::RaisonDeNePasRenvoyer(const EnvoiNote& envoi) const {
    if (envoi.statut == StatutEnvoi::Envoye || envoi.statut == StatutEnvoi::CopieNonClassee) {
        return QStringLiteral("Ce message a été remis : il n'y a rien à renvoyer.");
    }
    if (envoi.titreDocument != titreDocument_ || envoi.numeroDocument != numeroDocument_) {
        return QStringLiteral(
            "Cet envoi concerne un autre document : renvoyez-le depuis ce "
            "document.");
    }
    return {};
}

void TFicheHistoriqueEnvois::btnRenvoyerClick() {
    const EnvoiNote* envoi = EnvoiChoisi();
    if (envoi && RaisonDeNePasRenvoyer(*envoi).isEmpty()) {
        envoiARenvoyer_ = *envoi;
        accept();
    }
}

void TFicheHistoriqueEnvois::btnCopierClick() {
    if (const EnvoiNote* envoi = EnvoiChoisi()) {
        QGuiApplication::clipboard()->setText(DetailEnvoi(*envoi));
    }
}
