#include "platform/Dialogs.h"

#include <QStringList>

namespace ryvo {

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out.join(QStringLiteral(";;"));
}

MessageAnswer ScriptedDialogs::Message(const QString& text, const QString& caption,
                                       MessageIcon icon, MessageButtons buttons) {
    messages.push_back({text, caption, icon, buttons});
    if (answers.empty()) {
        return MessageAnswer::Ok;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::OpenFile(const QString& filter, const QString&) {
    fileFilters.push_back(filter);
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    const bool given = fileAnswers.front().has_value();
    const QString path = given ? *fileAnswers.front() : QString();
    fileAnswers.pop_front();
    if (!given) {
        return std::nullopt;
    }
    return path;
}

std::optional<QString> ScriptedDialogs::SaveFile(const QString& filter, const QString& directory) {
    return OpenFile(filter, directory);
}

} // namespace ryvo
