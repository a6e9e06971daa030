#include "PackGen.h"

#include <QGuiApplication>

#include <cstdio>

// Writes the default target and sound packs into the data directory given as argument.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: ryvo-packgen <data directory>\n");
        return 2;
    }
    const bool targets = ryvo::packgen::WriteTargetPack(args[1]);
    // RYVO_ESPEAK names another synthesiser (or none, to get the tones).
    const QString speech = qEnvironmentVariableIsSet("RYVO_ESPEAK")
                               ? qEnvironmentVariable("RYVO_ESPEAK")
                               : QStringLiteral("espeak-ng");
    const bool sounds = ryvo::packgen::WriteSoundPack(args[1], speech);
    return targets && sounds ? 0 : 1;
}
