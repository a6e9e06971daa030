#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

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

} // namespace ryvo
