// The user manual as the build sets it: more than one page, and its text, as a PDF reader
// extracts it, names the keys, files, dialogs and messages a listener meets, accents intact.

#include "command.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

const std::string kManual = ZV_BIN_DIR "/ZenoviaHasznalatiUtmutato.pdf";

// Every run of white space becomes one blank, so a phrase matches across a line break.
std::string manualText() {
    const std::string raw = zvtest::runCommand("pdftotext -enc UTF-8 '" + kManual + "' -");
    std::string text;
    for (const char c : raw) {
        const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (!blank) {
            text += c;
        } else if (!text.empty() && text.back() != ' ') {
            text += ' ';
        }
    }
    return text;
}

int pageCount() {
    const std::string info = zvtest::runCommand("pdfinfo '" + kManual + "'");
    const std::string label = "Pages:";
    const size_t at = info.find(label);
    return at == std::string::npos ? 0 : std::atoi(info.c_str() + at + label.size());
}

TEST(Manual, NamesKeysFilesAndMessagesOnMoreThanOnePage) {
    EXPECT_GT(pageCount(), 1);
    const std::string text = manualText();
    for (const char* phrase : {
             "F1",
             "F13",
             "Shift+F10",
             "zenovia /hallgat 3",
             "Beállítások",
             "Hangkártya",
             "Közvetlen kapcsolat",
             "zvadok.ini",
             "zvrt.local",
             "Error.log",
             "licensz.txt",
             "GPL-2.0-or-later",
             "A Zenovia nem tud a kiszolgálóhoz csatlakozni.",
             "internetkapcsolatát/tűzfalát",
             "Az első hangeszköz sem érhető el.",
             "A Zenovia ablaka nem aktiválható.",
             "Frissítés szükséges",
             "Elhangzott számok",
         }) {
        EXPECT_NE(text.find(phrase), std::string::npos) << phrase;
    }
}

}  // namespace
