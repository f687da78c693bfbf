#include "contentstable.h"

#include "manualdocument.h"
#include "units.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTextCursor>

namespace {

const QString kHeading = QStringLiteral("Tartalom");
constexpr qreal kEntrySpaceBelow = 5;  // points

}  // namespace

ContentsTable::ContentsTable(QTextDocument& doc, int dotsPerInch) : dotsPerInch_(dotsPerInch) {
    std::vector<QTextBlock> chapters;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == ManualDocument::kChapterLevel) {
            chapters.push_back(block);
        }
    }
    if (chapters.empty() || !chapters.front().previous().isValid()) {
        return;
    }
    // Everything is added at the end of the title page's last block, so no existing block
    // changes its format.
    QTextCursor cursor(chapters.front().previous());
    cursor.movePosition(QTextCursor::EndOfBlock);
    QTextBlockFormat heading = chapters.front().blockFormat();
    cursor.insertBlock(heading, ManualDocument::headingFormat(ManualDocument::kChapterLevel));
    cursor.insertText(kHeading);

    QTextBlockFormat entry;
    entry.setBottomMargin(Units(dotsPerInch).points(kEntrySpaceBelow));
    for (const QTextBlock& chapter : chapters) {
        cursor.insertBlock(entry, QTextCharFormat());
        cursor.insertText(chapter.text() + QLatin1Char('\t'));
        lines_.push_back({chapter, cursor.block()});
    }
}

void ContentsTable::fill(qreal lineWidth, const std::function<int(const QTextBlock&)>& pageOf) {
    const qreal screenDpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    for (const Line& line : lines_) {
        QTextCursor cursor(line.entry);
        QTextBlockFormat format = line.entry.blockFormat();
        // Tab stops are given in screen pixels: the layout scales them to the device.
        const qreal stop = lineWidth * screenDpi / dotsPerInch_;
        format.setTabPositions({QTextOption::Tab(stop, QTextOption::RightTab)});
        cursor.setBlockFormat(format);
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertText(QString::number(pageOf(line.chapter)));
    }
}
