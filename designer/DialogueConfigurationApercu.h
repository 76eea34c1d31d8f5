#pragma once

#include <QDialog>

#include "AssemblageDocument.h"

class Ihm;
class QLineEdit;

// Chooses where the preview's configuration record comes from: a settings database (a file or
// a server reference) and the level read in it, or none. A server reference is shown without
// its passwords; left as shown, it keeps them.
class DialogueConfigurationApercu : public QDialog {
    Q_OBJECT
public:
    DialogueConfigurationApercu(Ihm& ihm, const SourceConfiguration& source,
                                QWidget* parent = nullptr);

    SourceConfiguration Source() const;

private:
    void Actualiser();

    Ihm& ihm_;
    SourceConfiguration initiale_;
    QLineEdit* base_;
    QLineEdit* titre_;
    QLineEdit* agence_;
    QLineEdit* utilisateur_;
};

// The source as the window shows it: "aucune base" or the database's name (a server reference
// without its passwords) and the level.
QString DescriptionSource(const SourceConfiguration& source);
