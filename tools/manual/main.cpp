// ryvo-manual OUT.html SECTION.md...: the manual's sections, in the order given, as one page.
#include "ManualHtml.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: ryvo-manual OUT.html SECTION.md...\n");
        return 2;
    }
    QList<ryvo::ManualSection> sections;
    for (qsizetype i = 2; i < args.size(); ++i) {
        QFile file(args[i]);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "ryvo-manual: cannot read %s\n", qPrintable(args[i]));
            return 1;
        }
        ryvo::ManualSection section = ryvo::ConvertSection(QString::fromUtf8(file.readAll()));
        if (section.anchor.isEmpty()) {
            // The help window opens sections by their anchors: one without is a mistake.
            std::fprintf(stderr, "ryvo-manual: %s has no \"# Title {#anchor}\"\n",
                         qPrintable(args[i]));
            return 1;
        }
        sections.append(section);
    }
    QSaveFile out(args[1]);
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "ryvo-manual: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    out.write(ryvo::ManualPage(QStringLiteral("Ryvo: руководство инструктора"), sections).toUtf8());
    return out.commit() ? 0 : 1;
}
