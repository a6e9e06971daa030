#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "support/QtPrinters.h"

namespace ryvo::test {

// A fresh start directory for one test case, removed afterwards.
class TempDir {
public:
    TempDir();
    QString Path() const { return m_dir.path(); }
    QString File(const QString& name) const;
    void Write(const QString& name, const QByteArray& bytes) const;
    QByteArray Read(const QString& name) const;
    bool Exists(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

// Turns "\n" into CR LF and UTF-8 text into cp1251, for writing fixture files.
QByteArray Cp1251Lines(const QString& text);

} // namespace ryvo::test
