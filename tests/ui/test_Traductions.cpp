#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTranslator>

#include "Traductions.h"

namespace {

QString Oui() {
    return QCoreApplication::translate("QPlatformTheme", "&Yes");
}
// The type column of the file dialogs, which Qt's French catalogue leaves in English.
QString Dossier() {
    return QCoreApplication::translate("QAbstractFileIconProvider", "Folder",
                                       "All other platforms");
}

// Qt's texts come out French from Qt's folder, or from the copy beside a deployed executable
// when Qt's folder has none.
TEST(TraductionsQt, FrancaisDepuisLeDossierDeQtOuLaCopieDuProgramme) {
    const QString qt = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    ASSERT_TRUE(QFile::exists(QDir(qt).filePath(QStringLiteral("qtbase_fr.qm"))))
        << "qtbase_fr.qm absent de " << qt.toStdString();
    QTemporaryDir programme;
    ASSERT_TRUE(QDir(programme.path()).mkpath(QStringLiteral("translations")));
    const QString copie = QDir(programme.path()).filePath(QStringLiteral("translations"));
    ASSERT_TRUE(QFile::copy(QDir(qt).filePath(QStringLiteral("qtbase_fr.qm")),
                            QDir(copie).filePath(QStringLiteral("qtbase_fr.qm"))));
    EXPECT_EQ(DossiersTraductionsQt(programme.path()), QStringList({qt, copie}));

    EXPECT_FALSE(ChargerTraductionsQt(*QCoreApplication::instance(), {programme.path()}));
    EXPECT_EQ(Oui(), QStringLiteral("&Yes"));
    for (const QStringList& dossiers :
         {QStringList{qt}, QStringList{QStringLiteral("/nulle/part"), copie}}) {
        ASSERT_TRUE(ChargerTraductionsQt(*QCoreApplication::instance(), dossiers));
        EXPECT_EQ(Oui(), QStringLiteral("&Oui"));
        EXPECT_EQ(Dossier(), QStringLiteral("Dossier"));
        for (auto* traducteur : QCoreApplication::instance()->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(traducteur);
            delete traducteur;
        }
        EXPECT_EQ(Oui(), QStringLiteral("&Yes"));
        EXPECT_EQ(Dossier(), QStringLiteral("Folder"));
    }
}

}  // namespace
