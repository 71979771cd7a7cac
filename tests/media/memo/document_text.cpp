#include "tests/media/memo/document_text.h"

#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace soru::test {

QString attributes(const QTextCharFormat& f) {
    QStringList a;
    if (f.hasProperty(QTextFormat::FontWeight) && f.fontWeight() >= QFont::Bold)
        a << QStringLiteral("b");
    if (f.fontItalic())
        a << QStringLiteral("i");
    if (f.fontStrikeOut())
        a << QStringLiteral("s");
    switch (f.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
        break;
    case QTextCharFormat::SingleUnderline:
        a << QStringLiteral("u");
        break;
    case QTextCharFormat::DotLine:
        a << QStringLiteral("u:dot");
        break;
    case QTextCharFormat::DashUnderline:
        a << QStringLiteral("u:dash");
        break;
    case QTextCharFormat::DashDotLine:
        a << QStringLiteral("u:dashdot");
        break;
    case QTextCharFormat::DashDotDotLine:
        a << QStringLiteral("u:dashdotdot");
        break;
    case QTextCharFormat::WaveUnderline:
        a << QStringLiteral("u:wave");
        break;
    default:
        a << QStringLiteral("u:other");
        break;
    }
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        a << QStringLiteral("sup");
    if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        a << QStringLiteral("sub");
    if (f.hasProperty(QTextFormat::FontPointSize))
        a << QStringLiteral("pt") + QString::number(f.fontPointSize());
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        a << QStringLiteral("fg") + f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        a << QStringLiteral("bg") + f.background().color().name();
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        a << QStringLiteral("font=") + families.join(QLatin1Char(','));
    return a.join(QLatin1Char(' '));
}

QString describe(const QTextDocument& doc) {
    QStringList paragraphs;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QString line;
        const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        if (align == Qt::AlignHCenter)
            line += QStringLiteral("[c]");
        else if (align == Qt::AlignRight)
            line += QStringLiteral("[r]");
        else if (align == Qt::AlignJustify)
            line += QStringLiteral("[j]");
        // Neighbouring fragments with the same attributes read as one.
        QString attrs, text;
        auto put = [&] {
            line += attrs.isEmpty() ? text : QStringLiteral("<%1>%2</>").arg(attrs, text);
            text.clear();
        };
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString a = attributes(fragment.charFormat());
            if (a != attrs && !text.isEmpty())
                put();
            attrs = a;
            text += QString(fragment.text()).replace(QChar::LineSeparator, QStringLiteral("⏎"));
        }
        put();
        paragraphs << line;
    }
    return paragraphs.join(QLatin1Char('\n'));
}

QTextCharFormat formatOf(const QTextDocument& doc, const QString& text) {
    const QTextCursor found = doc.find(text);
    if (found.isNull()) {
        ADD_FAILURE() << "text not found: " << text.toStdString();
        return {};
    }
    QTextCursor at(found);
    at.setPosition(found.selectionStart() + 1);
    const QTextCharFormat format = at.charFormat();
    for (int p = found.selectionStart() + 2; p <= found.selectionEnd(); ++p) {
        at.setPosition(p);
        if (at.charFormat() != format) {
            ADD_FAILURE() << "more than one format in: " << text.toStdString();
            break;
        }
    }
    return format;
}

} // namespace soru::test
