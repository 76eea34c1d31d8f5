#pragma once

#include <QString>
#include <memory>

#include "ConnexionParametres.h"

// Which engine a reference names, and the connection opened on it: the only place that knows
// both engines, so that neither the interface nor an engine depends on the other.

// A reference starting with "postgresql://" or "postgres://", in any case, is a server connection
// URI; anything else is a file path.
bool EstReferenceServeur(const QString& reference);
// The reference as messages and listings show it: a server URI without its passwords.
QString ReferenceAffichee(const QString& reference);

std::unique_ptr<ConnexionParametres> OuvrirConnexionParametres(
    const QString& reference, ConnexionParametres::Ouverture ouverture);
