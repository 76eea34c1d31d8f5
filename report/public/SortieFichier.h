#pragma once

#include <QFile>
#include <QString>
#include <functional>

// One output file, whole or not at all. It is written beside its target under a name of this
// process's own, created for it alone, then flushed, synced and checked; only then is it renamed
// over the target, so that a failed write (a full disk, say) keeps the previous file. A link is
// followed to the file it finally names, which is replaced where it lies; the links stay. Only a
// regular, writable file is replaced: a FIFO, a device, a folder or a read-only file is refused,
// and so is a name the system's file names cannot hold as it is.
// Every message names the output as the caller gave it, never the temporary file.
class SortieFichier {
public:
    // Checks the target and creates the temporary file; throws ErreurRapport.
    explicit SortieFichier(QString chemin);
    // Removes the temporary file unless it was put in place.
    ~SortieFichier();
    SortieFichier(const SortieFichier&) = delete;
    SortieFichier& operator=(const SortieFichier&) = delete;

    // Writes the whole content, then flushes, syncs and closes the file; throws ErreurRapport when
    // any of it fails.
    void Ecrire(const std::function<void(QIODevice&)>& ecrivain);
    // Renames the written file over the target, checked again, and syncs the folder that holds
    // it (POSIX); throws ErreurRapport when any of it fails.
    void MettreEnPlace();

    const QString& Chemin() const { return chemin_; }
    // The file a link chain ends on; the path itself when it is no link.
    static QString Cible(const QString& chemin);
    // The same text for two paths that name the same file through links or "..".
    static QString Identite(const QString& chemin);

private:
    [[noreturn]] void Echouer(const QString& cause) const;
    void ExigerNomRepresentable() const;
    void ExigerCibleRemplacable() const;
    void CreerTemporaire();

    QString chemin_;
    QString cible_;
    QFile temporaire_;
    bool cree_ = false;
    bool enPlace_ = false;
};
