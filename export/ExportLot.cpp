#include "ExportLot.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>

#include "FichierIni.h"
#include "SortieFichier.h"

// Each item's start, end and failure; for support staff, off unless the rules switch on
// "vantaro.lot.debug".
Q_LOGGING_CATEGORY(lcLot, "vantaro.lot", QtWarningMsg)

ElementsExport LireElementsExport(const FichierIni& travail) {
    const QString section = QStringLiteral("Export");
    ElementsExport elements;
    const int nombre = travail.LireEntier(section, QStringLiteral("Nombre"), 0);
    // An item without its Rapport key is skipped: only the numbers the file gives are read.
    for (const int n : travail.NumerosPresents(section, QStringLiteral("Rapport"), nombre)) {
        const auto lire = [&](const char* radical) {
            return travail.LireTexte(section, FichierIni::CleNumerotee(radical, n), {});
        };
        const QString rapport = lire("Rapport");
        const QString xml = lire("Xml");
        const QString exportation = lire("Export");
        if (!rapport.isEmpty() && !xml.isEmpty() && !exportation.isEmpty()) {
            elements.ListeRapports.append(rapport);
            elements.ListeXml.append(xml);
            elements.ListeExports.append(exportation);
        }
    }
    return elements;
}

std::optional<std::pair<int, int>> SortiesEnDouble(const QStringList& sorties) {
    QHash<QString, int> premiers;
    for (int i = 0; i < sorties.size(); ++i) {
        const QString identite = SortieFichier::Identite(sorties[i]);
        if (const auto premier = premiers.constFind(identite); premier != premiers.cend()) {
            return std::pair{*premier, i};
        }
        premiers.insert(identite, i);
    }
    return std::nullopt;
}

PosteExport::PosteExport(ContexteExport& contexte) : contexte_(contexte) {}

void PosteExport::PreparerModele(const QString& modele) {
    rapport_.ChargerDepuisFichier(modele);
    rapport_.ChargerPolices();
}

std::unique_ptr<SortieFichier> PosteExport::Exporter(int i,
                                                     const ExecuteurLot::EtapeFaite& etapeFaite) {
    const ElementsExport& elements = contexte_.elements;
    qCDebug(lcLot).noquote() << QStringLiteral("élément %1 commencé : modèle %2, données %3")
                                    .arg(i + 1)
                                    .arg(elements.ListeRapports[i], elements.ListeXml[i]);
    QElapsedTimer duree;
    duree.start();
    try {
        TravailDocument travail;
        travail.donnees = elements.ListeXml[i];
        travail.modele = ModeleFichier{elements.ListeRapports[i]};
        travail.configuration = {contexte_.fichierBDD, std::nullopt, contexte_.niveau};
        travail.store = &contexte_.store;
        travail.verrouStore = &contexte_.verrouBDD;
        travail.modeleTrouve = etapeFaite;
        if (!assemblage_.Assembler(travail)) {
            return nullptr;
        }
        if (!etapeFaite()) {
            return nullptr;
        }
        // The PDF keeps the title its own name gives it.
        rapport_.Pdf().titre = QFileInfo(elements.ListeExports[i]).completeBaseName();
        auto sortie = std::make_unique<SortieFichier>(elements.ListeExports[i]);
        rapport_.ExporterPdf(*sortie, Rapport::ApresExport::LibererPages);
        qCDebug(lcLot).noquote()
            << QStringLiteral("élément %1 fait en %2 ms").arg(i + 1).arg(duree.elapsed());
        return sortie;
    } catch (const std::exception& erreur) {
        qCDebug(lcLot).noquote() << QStringLiteral("élément %1 en échec : %2")
                                        .arg(i + 1)
                                        .arg(QString::fromUtf8(erreur.what()));
        throw;
    }
}

// The start second's post has its template read already; a failed read is reported by the item
// that needs the template, in its turn.
ExecuteurLot::Poste PosteExport::Fabrique(ContexteExport& contexte, const QString& modele) {
    return [&contexte, modele] {
        auto poste = std::make_shared<PosteExport>(contexte);
        if (!modele.isEmpty()) {
            try {
                poste->PreparerModele(modele);
            } catch (const std::exception&) {
            }
        }
        return ExecuteurLot::Element([poste](int i, const ExecuteurLot::EtapeFaite& etapeFaite) {
            return poste->Exporter(i, etapeFaite);
        });
    };
}
