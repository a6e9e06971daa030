#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace ryvo {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

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

MessageAnswer QtDialogs::Message(const QString& text, const QString& caption, MessageIcon icon,
                                 MessageButtons buttons) {
    QMessageBox box(ToQtIcon(icon), caption, text, ToQtButtons(buttons), m_parent);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

std::optional<QString> QtDialogs::OpenFile(const QString& filter, const QString& directory) {
    const QString path =
        QFileDialog::getOpenFileName(m_parent, QString(), directory, ToQtFilter(filter));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

std::optional<QString> QtDialogs::SaveFile(const QString& filter, const QString& directory) {
    const QString path =
        QFileDialog::getSaveFileName(m_parent, QString(), directory, ToQtFilter(filter));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
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
