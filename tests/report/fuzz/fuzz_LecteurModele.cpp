// libFuzzer entry: any bytes as a template file, read and prepared on the sample quote's data
// (see EssaisFuzz.h).
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>

#include "EssaisFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Text layout needs fonts, hence an application; its own arguments leave libFuzzer's alone.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char nom[] = "fuzz_modele";
    static char* argv[] = {nom, nullptr};
    static QGuiApplication application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    static EssaiModele essai(QStringLiteral(VANTARO_INSTALLATION "/Exemples/devis.xml"));
    essai.Essayer(
        QByteArray::fromRawData(reinterpret_cast<const char*>(donnees), qsizetype(taille)));
    return 0;
}
