#include "platform/errorchain.h"
#include "engine/errorbox.h"
#include "platform/errorlog.h"
#include "platform/programpaths.h"
#include "playertest.h"

#include <QDateTime>
#include <QLocale>

#include <zvaudio.h>

#include <stdexcept>

using zverr::Failure;
using zverr::Procedure;

namespace {

void writeBytes() {
    Procedure proc("clsFileIo", "WriteBytes");
    try {
        proc.step(1);
        proc.step(2);
        throw std::out_of_range("subscript");
    } catch (...) {
        proc.passOn();
    }
}

void downloadProc() {
    Procedure proc("modNetRadio", "SUBDOWNLOADPROC");
    try {
        proc.step(6);
        writeBytes();
    } catch (...) {
        proc.passOn();
    }
}

void metaSync() {
    Procedure proc("modNetRadio", "MetaSync");
    try {
        downloadProc();  // before the first numbered step
    } catch (...) {
        proc.passOn();
    }
}

// The line Errorlog writes for an event at a given moment.
QByteArray logLine(const QDateTime& at, const char* event) {
    const QLocale locale = QLocale::system();
    return "\"" +
           (locale.toString(at.date(), QLocale::ShortFormat) + QStringLiteral(" at ") +
            locale.toString(at.time(), QLocale::ShortFormat) + QStringLiteral(", Code :") +
            QLatin1String(event) + QStringLiteral(", Hiba: "))
               .toUtf8() +
           "\"\r\n";
}

class ErrorLog : public zvtest::PlayerTest {};

}  // namespace

TEST(ErrorChain, ThreeLevelsNameThePathOutermostFirst) {
    try {
        metaSync();
        FAIL() << "no failure came up";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), zverr::kSubscriptOutOfRange);
        EXPECT_EQ(failure.source(),
                  QStringLiteral("modNetRadio.MetaSync(0):modNetRadio.SUBDOWNLOADPROC(6):"
                                 "clsFileIo.WriteBytes(2):"));
        EXPECT_EQ(failure.description(), QStringLiteral("subscript"));
    }
}

TEST(ErrorChain, AFailureKeepsItsNumberDescriptionAndFirstSource) {
    Procedure proc("modDownText", "getUrls");
    try {
        try {
            throw Failure(53, QStringLiteral("zvaudio"), QStringLiteral("File not found"));
        } catch (...) {
            proc.passOn();
        }
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), 53);
        EXPECT_EQ(failure.source(), QStringLiteral("modDownText.getUrls(0):zvaudio"));
        EXPECT_STREQ(failure.what(), "File not found");
    }
}

TEST_F(ErrorLog, EventTrapAppendsOneQuotedLinePerFailure) {
    const QDateTime before = QDateTime::currentDateTime();
    zverr::trapEvent("frmMain.tmrHi_Timer", [] { metaSync(); });
    zverr::trapEvent("frmMain.Form_Resize", [] { throw std::runtime_error("x"); });
    zverr::trapEvent("frmMain.Form_Activate", [] {});  // no failure, no line
    const QDateTime after = QDateTime::currentDateTime();

    const QByteArray log = readFile(programPath(QStringLiteral("Error.log")));
    const QByteArray expectedBefore =
        logLine(before, "frmMain.tmrHi_Timer") + logLine(before, "frmMain.Form_Resize");
    const QByteArray expectedAfter =
        logLine(after, "frmMain.tmrHi_Timer") + logLine(after, "frmMain.Form_Resize");
    EXPECT_TRUE(log == expectedBefore || log == expectedAfter) << log.toStdString();
}

TEST_F(ErrorLog, UnwritableLogIsDroppedQuietly) {
    // The program folder is a file here, so Error.log cannot be created.
    const QString notAFolder = programPath(QStringLiteral("fajl"));
    writeFile(notAFolder, "x");
    zvpaths::setProgramFolder(notAFolder);
    EXPECT_NO_THROW(
        zverr::trapEvent("frmMain.cmdStop_Click", [] { throw std::runtime_error("x"); }));
    EXPECT_EQ(readFile(notAFolder), QByteArray("x"));
}

TEST_F(ErrorLog, AudioLibraryFailureBoxCarriesTheErrorCode) {
    ZVA_ChannelPlay(0xFFFFFFF0u, 0);  // no such stream
    zverr::Error_(QStringLiteral("Az AAC modul nem érhető el  "));
    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);  // succeeds: the code is cleared
    zverr::Error_(QStringLiteral("Nincs hiba"));
    ZVA_Free();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Error"));
    EXPECT_EQ(boxes.shown[0].icon, zvbox::Icon::Exclamation);
    EXPECT_EQ(boxes.shown[0].buttons, zvbox::Buttons::Ok);
    EXPECT_EQ(
        boxes.shown[0].text,
        QStringLiteral("Az AAC modul nem érhető el  \r\n\r\nerror code: %1").arg(ZVA_ERROR_HANDLE));
    EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Nincs hiba\r\n\r\nerror code: 0"));
}
