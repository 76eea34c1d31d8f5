#pragma once

#include <QByteArray>
#include <QString>

// How a server reference is told from a file path and shown without its secrets. Pure text: the
// library is never asked, since it quotes what it cannot read.

// A connection URI, by either of the library's schemes, written in any case.
bool EstUriServeur(const QString& reference);

// The URI as the library reads it: its scheme in lower case, the rest as written.
QByteArray UriPourLaBibliotheque(const QString& uri);

// The reference as messages show it: without the password of its user information, and with
// every password or sslpassword parameter as ********. A file path comes back as it is.
QString UriAffichee(const QString& uri);

// A text about the reference (the library's error, say) with every secret of the reference in
// it replaced, as written or decoded, and every copy of the reference masked.
QString TexteMasque(const QString& texte, const QString& reference);
