// The user manual as a styled text document: Markdown in, headings, body text, code and
// pictures set in the manual's fonts, and a title page of its own.
//
// Thread contract: a ManualDocument and the QTextDocument it returns belong to the thread that
// made them, which needs a running QGuiApplication for fonts and pictures.
#pragma once

#include <QTextDocument>
#include <QTextFormat>

#include <memory>

class ManualDocument {
public:
    // markdownFile: the manual's text; pictures named in it are found relative to its folder.
    // "@VERSION@" in the text becomes version. Spacing is set for a device of dotsPerInch.
    static std::unique_ptr<QTextDocument> load(const QString& markdownFile, const QString& version,
                                               int dotsPerInch);

    // The level of a chapter heading; the one level-1 heading is the manual's title.
    static constexpr int kChapterLevel = 2;

    // The characters of a heading of the given level.
    static QTextCharFormat headingFormat(int level);
};
