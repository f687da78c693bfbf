#include "pagedpdf.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextCursor>
#include <QTextTable>

#include <cmath>

namespace {

// Page margins in millimetres; the footer sits in the lowest kFooterMm of the printed area.
const QMarginsF kMarginsMm(22, 20, 22, 14);
constexpr qreal kFooterMm = 10;
constexpr qreal kFooterPointSize = 8;
const QColor kFooterColour(0x55, 0x5c, 0x66);

qreal pixels(qreal millimetres) {
    return millimetres * PagedPdf::kDotsPerInch / 25.4;
}

}  // namespace

PagedPdf::PagedPdf(const QString& path, const QString& title) : writer_(path), title_(title) {
    writer_.setResolution(kDotsPerInch);
    writer_.setPageSize(QPageSize(QPageSize::A4));
    writer_.setPageMargins(kMarginsMm, QPageLayout::Millimeter);
    writer_.setTitle(title);
    writer_.setCreator(QStringLiteral("Zenovia"));
    const QRect area = writer_.pageLayout().paintRectPixels(kDotsPerInch);
    page_ = QSizeF(area.width(), area.height() - pixels(kFooterMm));
}

void PagedPdf::layOut(QTextDocument& doc) {
    doc.documentLayout()->setPaintDevice(&writer_);
    doc.setPageSize(page_);
    keepHeadingsWithNext(doc);
}

int PagedPdf::pageOf(const QTextDocument& doc, const QTextBlock& block) const {
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    // The layout works ahead in steps when it has an event loop; asking for the size finishes it.
    layout->documentSize();
    // A block in a table lies where its table does; its own rectangle is the cell's.
    if (QTextTable* table = QTextCursor(block).currentTable()) {
        return pageAt(layout->frameBoundingRect(table).top());
    }
    // A line that does not fit at the foot of a page moves to the next one without its block;
    // the middle of the first line is on the page it is printed on.
    const QTextLayout* lines = block.layout();
    const qreal firstLine =
        lines->lineCount() > 0 ? lines->lineAt(0).y() + lines->lineAt(0).height() / 2 : 0;
    return pageAt(layout->blockBoundingRect(block).top() + firstLine);
}

int PagedPdf::pageAt(qreal y) const {
    return static_cast<int>(std::floor(y / page_.height())) + 1;
}

void PagedPdf::keepHeadingsWithNext(QTextDocument& doc) {
    // Each pass moves at most the first stranded heading, which moves everything after it;
    // there are fewer passes than blocks.
    for (int pass = 0; pass < doc.blockCount(); ++pass) {
        bool moved = false;
        for (QTextBlock block = doc.begin(); block.isValid() && block.next().isValid();
             block = block.next()) {
            QTextBlockFormat format = block.blockFormat();
            if (format.headingLevel() == 0 ||
                format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore ||
                pageOf(doc, block.next()) == pageOf(doc, block)) {
                continue;
            }
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
            moved = true;
            break;
        }
        if (!moved) {
            return;
        }
    }
}

bool PagedPdf::print(QTextDocument& doc) {
    QPainter painter;
    if (!painter.begin(&writer_)) {
        return false;
    }
    const int pages = doc.pageCount();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) {
            writer_.newPage();
        }
        const QRectF shown(0, (page - 1) * page_.height(), page_.width(), page_.height());
        painter.save();
        painter.translate(0, -shown.top());
        doc.drawContents(&painter, shown);
        painter.restore();
        if (page > 1) {
            drawFooter(painter, page);
        }
    }
    return painter.end();
}

void PagedPdf::drawFooter(QPainter& painter, int page) const {
    const QRectF footer(0, page_.height() + pixels(kFooterMm) / 2, page_.width(),
                        pixels(kFooterMm) / 2);
    painter.save();
    painter.setPen(QPen(kFooterColour, pixels(0.2)));
    painter.drawLine(footer.topLeft(), footer.topRight());
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(kFooterPointSize);
    painter.setFont(font);
    painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, title_);
    painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                     QStringLiteral("%1. oldal").arg(page));
    painter.restore();
}
