#include "ArchiveTool.h"

#include "core/DataDir.h"
#include "core/Product.h"

#include <QCoreApplication>
#include <QFile>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The program's name, so the archive index in the cache folder is the program's own.
    QCoreApplication::setApplicationName(QString::fromUtf8(ryvo::kProductName));
    std::setlocale(LC_NUMERIC, "C");
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QByteArray out;
    QByteArray err;
    const int code = ryvo::RunArchiveTool(
        args, out, err, ryvo::DataDirBeside(QCoreApplication::applicationDirPath()));
    QFile stdOut;
    stdOut.open(stdout, QIODevice::WriteOnly);
    stdOut.write(out);
    stdOut.close();
    QFile stdErr;
    stdErr.open(stderr, QIODevice::WriteOnly);
    stdErr.write(err);
    return code;
}
