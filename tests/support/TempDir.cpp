#include "support/TempDir.h"

#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ryvo::test {

TempDir::TempDir() : m_dir(QDir::current().filePath(QStringLiteral("case-XXXXXX"))) {}

QString TempDir::File(const QString& name) const {
    return QDir(Path()).filePath(name);
}

void TempDir::Write(const QString& name, const QByteArray& bytes) const {
    QFile file(File(name));
    QDir().mkpath(QFileInfo(file).absolutePath());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
}

QByteArray TempDir::Read(const QString& name) const {
    QFile file(File(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

bool TempDir::Exists(const QString& name) const {
    return QFileInfo::exists(File(name));
}

QByteArray Cp1251Lines(const QString& text) {
    TextWriter writer;
    writer.Put(text);
    return writer.Bytes();
}

} // namespace ryvo::test
