#pragma once

#include <QList>
#include <QString>

#include "HistoriqueEnvois.h"
#include "Verrous.h"

class TDataModuleAbs;

// The latest sends of one document that the agency's record holds, newest first: the mails of
// that title and number, whoever of the agency sent them. Runs on the open store.
QList<EnvoiNote> DerniersEnvoisDuDocument(TDataModuleAbs& store, const QString& agence,
                                          const QString& titre, const QString& numero,
                                          int nombre = 3);

// « Envoyé le 10/12 à 14:32 à client@exemple.fr », in local time; a failed, cancelled or
// uncertain send says so first.
QString LigneEnvoi(const EnvoiNote& envoi);
