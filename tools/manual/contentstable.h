// The manual's table of contents: one line per chapter with its page number, on a page of its
// own between the title page and the first chapter.
//
// Thread contract: used on the thread that owns the document.
#pragma once

#include <QTextBlock>
#include <QTextDocument>

#include <functional>
#include <vector>

class ContentsTable {
public:
    // Inserts the table's heading and one line per chapter, numbers still blank, so that the
    // document can be laid out with the table in place. Spacing is set for a device of
    // dotsPerInch.
    ContentsTable(QTextDocument& doc, int dotsPerInch);

    // Sets each line's page number, right-aligned at lineWidth. The numbers take no more lines
    // than the blanks did, so the pages the numbers name stay where they are.
    void fill(qreal lineWidth, const std::function<int(const QTextBlock&)>& pageOf);

private:
    struct Line {
        QTextBlock chapter;
        QTextBlock entry;
    };
    int dotsPerInch_;
    std::vector<Line> lines_;
};
