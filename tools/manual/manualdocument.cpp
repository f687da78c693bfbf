#include "manualdocument.h"

#include "units.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QUrl>

namespace {

constexpr qreal kBodyPointSize = 10.5;
constexpr qreal kTitlePagePointSize = 14;
constexpr qreal kLineHeightPercent = 125;
// Space above a heading, below it, below a paragraph and a list item, the code blocks' indent,
// and the tables' lines and padding, in points.
constexpr qreal kHeadingSpaceAbove = 14;
constexpr qreal kHeadingSpaceBelow = 5;
constexpr qreal kParagraphSpaceBelow = 5;
constexpr qreal kListItemSpaceBelow = 2;
constexpr qreal kCodeIndent = 4;
constexpr qreal kTableRule = 0.6;
constexpr qreal kTablePadding = 3;
const QColor kHeadingColour(0x1d, 0x3a, 0x6b);
const QColor kCodeGround(0xf1, 0xf3, 0xf6);
const QColor kTableRuleColour(0x9a, 0xa3, 0xb0);
const QColor kTableHeadColour(0xe4, 0xe9, 0xf1);

qreal headingPointSize(int level) {
    switch (level) {
        case 1:
            return 26;
        case 2:
            return 17;
        default:
            return 12.5;
    }
}

void styleHeading(QTextCursor& cursor, QTextBlockFormat block, int level, const Units& units) {
    block.setTopMargin(units.points(kHeadingSpaceAbove));
    block.setBottomMargin(units.points(kHeadingSpaceBelow));
    cursor.setBlockFormat(block);
    // Set, not merged: the Markdown reader's own size step would otherwise win over the size.
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.setCharFormat(ManualDocument::headingFormat(level));
}

// Tables span the line, with thin single rules and a shaded head row that comes again on every
// page the table runs onto.
void styleTable(QTextTable& table, const Units& units) {
    QTextTableFormat format = table.format();
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setBorderCollapse(true);
    format.setBorder(units.points(kTableRule));
    format.setBorderBrush(kTableRuleColour);
    format.setCellPadding(units.points(kTablePadding));
    format.setCellSpacing(0);
    format.setHeaderRowCount(1);
    table.setFormat(format);
    for (int column = 0; column < table.columns(); ++column) {
        QTextTableCell cell = table.cellAt(0, column);
        QTextCharFormat head = cell.format();
        head.setBackground(kTableHeadColour);
        cell.setFormat(head);
    }
}

bool isCode(const QTextBlock& block) {
    const QTextBlockFormat format = block.blockFormat();
    return format.hasProperty(QTextFormat::BlockCodeFence) || format.nonBreakableLines();
}

// Each line of a code block is a block of its own: the lines sit tight on a shaded ground,
// with the paragraph's space only below the last.
void styleCodeLine(QTextCursor& cursor, QTextBlockFormat format, const Units& units) {
    const bool last = !isCode(cursor.block().next());
    format.setTopMargin(0);
    format.setBottomMargin(last ? units.points(kParagraphSpaceBelow) : 0);
    format.setLeftMargin(units.points(kCodeIndent));
    format.setBackground(kCodeGround);
    cursor.setBlockFormat(format);
}

void styleText(QTextCursor& cursor, QTextBlockFormat format, bool titlePage, const Units& units) {
    const qreal spaceBelow =
        cursor.block().textList() != nullptr ? kListItemSpaceBelow : kParagraphSpaceBelow;
    format.setLineHeight(kLineHeightPercent, QTextBlockFormat::ProportionalHeight);
    format.setBottomMargin(std::max(format.bottomMargin(), units.points(spaceBelow)));
    cursor.setBlockFormat(format);
    if (titlePage) {
        QTextCharFormat larger;
        larger.setFontPointSize(kTitlePagePointSize);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(larger);
    }
}

// Every block gets the manual's spacing; headings their size and colour. The title and
// everything up to the first chapter make the title page.
void style(QTextDocument& doc, const Units& units) {
    bool titlePage = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        const int level = format.headingLevel();
        if (level == ManualDocument::kChapterLevel && titlePage) {
            titlePage = false;
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        }
        if (level != 0) {
            styleHeading(cursor, format, level, units);
        } else if (isCode(block)) {
            styleCodeLine(cursor, format, units);
        } else {
            styleText(cursor, format, titlePage, units);
        }
    }
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            styleTable(*table, units);
        }
    }
}

}  // namespace

QTextCharFormat ManualDocument::headingFormat(int level) {
    QTextCharFormat chars;
    chars.setFontPointSize(headingPointSize(level));
    chars.setFontWeight(QFont::Bold);
    chars.setForeground(kHeadingColour);
    return chars;
}

std::unique_ptr<QTextDocument> ManualDocument::load(const QString& markdownFile,
                                                    const QString& version, int dotsPerInch) {
    QFile file(markdownFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QLatin1String("@VERSION@"), version);

    auto doc = std::make_unique<QTextDocument>();
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(kBodyPointSize);
    doc->setDefaultFont(body);
    doc->setDocumentMargin(0);
    doc->setBaseUrl(QUrl::fromLocalFile(QFileInfo(markdownFile).absolutePath() + QLatin1Char('/')));
    doc->setMarkdown(text);
    style(*doc, Units(dotsPerInch));
    return doc;
}
