// A text document set on A4 pages of a PDF file: the pages laid out with every heading kept on
// the page of the text that follows it, then printed with a footer naming the manual and the
// page number (the title page has none).
//
// Thread contract: used on the thread that owns the document.
#pragma once

#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>

class PagedPdf {
public:
    static constexpr int kDotsPerInch = 300;

    PagedPdf(const QString& path, const QString& title);

    // The width of a line of text, in the document's units once it is laid out here.
    qreal lineWidth() const { return page_.width(); }

    // Lays doc out on this file's pages.
    void layOut(QTextDocument& doc);
    // The page a laid-out block begins on, counted from 1.
    int pageOf(const QTextDocument& doc, const QTextBlock& block) const;
    // Writes the pages; false when the file cannot be written.
    bool print(QTextDocument& doc);

private:
    int pageAt(qreal y) const;
    void keepHeadingsWithNext(QTextDocument& doc);
    void drawFooter(QPainter& painter, int page) const;

    QPdfWriter writer_;
    QString title_;
    QSizeF page_;  // the text area of a page, in device pixels
};
