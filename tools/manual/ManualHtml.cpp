#include "ManualHtml.h"

#include <QRegularExpression>

namespace ryvo {

namespace {

QString Inline(const QString& text) {
    // Code spans first: what is inside them is shown as written.
    const QStringList parts = text.split(QLatin1Char('`'));
    QString out;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString part = parts[i].toHtmlEscaped();
        if (i % 2 == 1 && i + 1 < parts.size()) {
            out += QStringLiteral("<code>%1</code>").arg(part);
            continue;
        }
        if (i % 2 == 1) {
            out += QLatin1Char('`'); // an unpaired backtick stays text
        }
        static const QRegularExpression bold(QStringLiteral(R"(\*\*(.+?)\*\*)"));
        static const QRegularExpression link(QStringLiteral(R"(\[([^\]]+)\]\(([^)\s]+)\))"));
        part.replace(bold, QStringLiteral("<b>\\1</b>"));
        part.replace(link, QStringLiteral("<a href=\"\\2\">\\1</a>"));
        out += part;
    }
    return out;
}

class Writer {
public:
    void Line(const QString& raw) {
        const QString line = raw.trimmed();
        if (m_code) {
            if (line.startsWith(QLatin1String("```"))) {
                m_html += QStringLiteral("</pre>\n");
                m_code = false;
            } else {
                m_html += raw.toHtmlEscaped() + QLatin1Char('\n');
            }
            return;
        }
        if (line.startsWith(QLatin1String("```"))) {
            Close();
            m_html += QStringLiteral("<pre>");
            m_code = true;
            return;
        }
        if (line.isEmpty()) {
            Close();
            return;
        }
        static const QRegularExpression heading(
            QStringLiteral(R"(^(#{1,3})\s+(.*?)\s*(?:\{#([\w-]+)\})?$)"));
        static const QRegularExpression picture(QStringLiteral(R"(^!\[([^\]]*)\]\(([^)\s]+)\)$)"));
        static const QRegularExpression numbered(QStringLiteral(R"(^\d+\.\s+(.*)$)"));
        if (const auto m = heading.match(line); m.hasMatch()) {
            Close();
            Heading(static_cast<int>(m.captured(1).size()), m.captured(2), m.captured(3));
            return;
        }
        if (const auto m = picture.match(line); m.hasMatch()) {
            Close();
            m_html += QStringLiteral("<p class=\"shot\"><img src=\"%1\" alt=\"%2\"></p>\n")
                          .arg(m.captured(2).toHtmlEscaped(), m.captured(1).toHtmlEscaped());
            return;
        }
        if (line.startsWith(QLatin1String("- ")) || line.startsWith(QLatin1String("* "))) {
            Item(QStringLiteral("ul"), line.mid(2));
            return;
        }
        if (const auto m = numbered.match(line); m.hasMatch()) {
            Item(QStringLiteral("ol"), m.captured(1));
            return;
        }
        // A continuation line belongs to the open item or paragraph.
        if (m_block.isEmpty()) {
            m_block = QStringLiteral("p");
            m_html += QStringLiteral("<p>");
        } else {
            m_html += QLatin1Char(' ');
        }
        m_html += Inline(line);
    }

    QString Finish() {
        if (m_code) {
            m_html += QStringLiteral("</pre>\n");
            m_code = false;
        }
        Close();
        return m_html;
    }

    QString anchor;
    QString title;

private:
    void Heading(int level, const QString& text, const QString& name) {
        // The section's heading is h2 of the page; the page's own title is its h1.
        const int tag = level + 1;
        if (anchor.isEmpty() && !name.isEmpty()) {
            anchor = name;
            title = text;
        }
        if (name.isEmpty()) {
            m_html += QStringLiteral("<h%1>%2</h%1>\n").arg(tag).arg(Inline(text));
        } else {
            // id for web browsers, a named anchor for the help window.
            m_html += QStringLiteral("<h%1 id=\"%2\"><a name=\"%2\"></a>%3</h%1>\n")
                          .arg(tag)
                          .arg(name, Inline(text));
        }
    }

    void Item(const QString& list, const QString& text) {
        if (m_block != QLatin1String("li") || m_list != list) {
            Close();
            m_list = list;
            m_html += QStringLiteral("<%1>\n").arg(list);
        } else {
            m_html += QStringLiteral("</li>\n");
        }
        m_block = QStringLiteral("li");
        m_html += QStringLiteral("<li>") + Inline(text);
    }

    void Close() {
        if (m_block == QLatin1String("p")) {
            m_html += QStringLiteral("</p>\n");
        } else if (m_block == QLatin1String("li")) {
            m_html += QStringLiteral("</li>\n</%1>\n").arg(m_list);
        }
        m_block.clear();
    }

    QString m_html;
    QString m_block; // "p", "li" or none
    QString m_list;
    bool m_code = false;
};

} // namespace

ManualSection ConvertSection(const QString& markdown) {
    Writer writer;
    for (const QString& line : markdown.split(QLatin1Char('\n'))) {
        writer.Line(line);
    }
    ManualSection section;
    section.html = writer.Finish();
    section.anchor = writer.anchor;
    section.title = writer.title;
    return section;
}

QString ManualPage(const QString& title, const QList<ManualSection>& sections) {
    QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>%1</title>\n<style>\n"
                       "body { font-family: sans-serif; max-width: 60em; margin: 1em auto; "
                       "padding: 0 1em; line-height: 1.4; }\n"
                       "img { max-width: 100%; border: 1px solid #999; }\n"
                       "pre { background: #f0f0f0; padding: 0.5em; }\n"
                       "</style>\n</head>\n<body>\n<h1>%1</h1>\n")
            .arg(title.toHtmlEscaped());
    page += QStringLiteral("<ol class=\"contents\">\n");
    for (const ManualSection& s : sections) {
        if (!s.anchor.isEmpty()) {
            page +=
                QStringLiteral("<li><a href=\"#%1\">%2</a></li>\n").arg(s.anchor, Inline(s.title));
        }
    }
    page += QStringLiteral("</ol>\n");
    for (const ManualSection& s : sections) {
        page += s.html;
    }
    page += QStringLiteral("</body>\n</html>\n");
    return page;
}

} // namespace ryvo
