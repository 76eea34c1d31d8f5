#pragma once

#include <QList>
#include <QString>

#include "HistoriqueEnvois.h"

// The sent-mail record as the windows word it, in French.

// "envoyé", "envoyé, copie non classée", "échec", "remise incertaine", "annulé".
QString LibelleStatut(StatutEnvoi statut);
// The results whose word holds the text, in any case: "échec" names the failures, "envoyé" the
// sends that went through.
QList<StatutEnvoi> StatutsNommes(const QString& texte);
// "Devis.pdf (12 Ko)" one a line, as the window shows the attachments.
QString TextePieces(const QList<PieceEnvoyee>& pieces);
// Every field of a record on its own labelled line, for the clipboard.
QString DetailEnvoi(const EnvoiNote& envoi);
