// zvmanual: sets the Hungarian user manual, written in Markdown, as an A4 PDF.
// Usage: zvmanual MANUAL.md OUTPUT.pdf VERSION
// Pictures named in the text are read relative to the text's folder. Runs on any Qt platform,
// the offscreen one included.

#include "contentstable.h"
#include "manualdocument.h"
#include "pagedpdf.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: zvmanual MANUAL.md OUTPUT.pdf VERSION\n");
        return 2;
    }
    std::unique_ptr<QTextDocument> doc =
        ManualDocument::load(arguments[1], arguments[3], PagedPdf::kDotsPerInch);
    if (!doc) {
        std::fprintf(stderr, "zvmanual: cannot read %s\n", qPrintable(arguments[1]));
        return 1;
    }
    PagedPdf pdf(arguments[2], QStringLiteral("Zenovia – Használati útmutató"));
    ContentsTable contents(*doc, PagedPdf::kDotsPerInch);
    pdf.layOut(*doc);
    contents.fill(pdf.lineWidth(),
                  [&](const QTextBlock& block) { return pdf.pageOf(*doc, block); });
    if (!pdf.print(*doc)) {
        std::fprintf(stderr, "zvmanual: cannot write %s\n", qPrintable(arguments[2]));
        return 1;
    }
    return 0;
}
