#include "archive/ArchiveIndex.h"

#include <QStringList>

namespace ryvo {

QString NameKey(const QString& name) {
    QString key = name.toLower();
    key.replace(QChar(u'ё'), QChar(u'е'));
    key.replace(QChar(u'_'), QChar(u' '));
    return key.simplified();
}

QDate ParseArchiveDate(const QString& text) {
    const QStringList dotted = text.split(QChar(u'.'));
    if (dotted.size() == 3) {
        bool okDay = false;
        bool okMonth = false;
        bool okYear = false;
        const int day = dotted[0].toInt(&okDay);
        const int month = dotted[1].toInt(&okMonth);
        const int year = dotted[2].toInt(&okYear);
        return okDay && okMonth && okYear ? QDate(year, month, day) : QDate();
    }
    return QDate::fromString(text, Qt::ISODate);
}

int IndexDay(const QDate& date) {
    // A hand-edited date may name any year QDate takes; beyond four digits it is no day.
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) {
        return 0;
    }
    return date.year() * 10000 + date.month() * 100 + date.day();
}

} // namespace ryvo
