#pragma once

#include <QString>
#include <QStringList>

namespace ryvo {

// One source file of the manual: a section in a small Markdown dialect.
struct ManualSection {
    QString anchor; // from "# Title {#anchor}"
    QString title;
    QString html;
};

// Converts one section's text: "#"/"##" headings (the first with "{#anchor}"), paragraphs,
// "- " and "1. " lists, fenced code, a picture "![text](file)" on a line of its own, and
// inline `code`, **bold** and [links](#anchor). Everything else is text, escaped.
ManualSection ConvertSection(const QString& markdown);

// The whole manual as one HTML page: the title, a list of contents, the sections in order.
QString ManualPage(const QString& title, const QList<ManualSection>& sections);

} // namespace ryvo
