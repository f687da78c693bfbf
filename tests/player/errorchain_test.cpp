#include "platform/errorchain.h"
#include "platform/errorlog.h"
#include "platform/programpaths.h"
#include "playertest.h"

#include <QDateTime>
#include <QLocale>

#include <stdexcept>

using zverr::Failure;
using zverr::Procedure;

namespace {

// Runs `inner` as procedure `module`.`name` after its numbered `steps`, passing a failure on.
void procedure(const char* module, const char* name, std::initializer_list<int> steps,
               const std::function<void()>& inner) {
    Procedure proc(module, name);
    try {
        for (int step : steps) {
            proc.step(step);
        }
        inner();
    } catch (...) {
        proc.passOn();
    }
}

// A failure in a nested call made before MetaSync's first numbered step.
void metaSync() {
    procedure("modNetRadio", "MetaSync", {}, [] {
        procedure("modNetRadio", "SUBDOWNLOADPROC", {6}, [] {
            procedure("clsFileIo", "WriteBytes", {1, 2},
                      [] { throw std::out_of_range("subscript"); });
        });
    });
}

// The line Errorlog writes for an event at a given moment.
QByteArray logLine(const QDateTime& at, const char* event) {
    const QLocale locale = QLocale::system();
    return "\"" +
           (locale.toString(at.date(), QLocale::ShortFormat) + " at " +
            locale.toString(at.time(), QLocale::ShortFormat) + ", Code :" + QLatin1String(event) +
            ", Hiba: ")
               .toUtf8() +
           "\"\r\n";
}

std::optional<Failure> failureOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const Failure& failure) {
        return failure;
    }
    return std::nullopt;
}

class ErrorLog : public zvtest::PlayerTest {};

}  // namespace

// A failure passed on names its path outermost first, each procedure with its last numbered
// step; a failure that came up as one keeps its number, description and first source.
TEST(ErrorChain, PassedOnFailuresNameTheirPath) {
    const auto nested = failureOf(metaSync);
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->number(), zverr::kSubscriptOutOfRange);
    EXPECT_EQ(nested->source(),
              "modNetRadio.MetaSync(0):modNetRadio.SUBDOWNLOADPROC(6):clsFileIo.WriteBytes(2):");
    EXPECT_EQ(nested->description(), "subscript");
    const auto library = failureOf([] {
        procedure("modDownText", "getUrls", {},
                  [] { throw Failure(53, "zvaudio", "File not found"); });
    });
    ASSERT_TRUE(library);
    EXPECT_EQ(library->number(), 53);
    EXPECT_EQ(library->source(), "modDownText.getUrls(0):zvaudio");
    EXPECT_STREQ(library->what(), "File not found");
}

TEST_F(ErrorLog, EventTrapAppendsOneQuotedLinePerFailure) {
    const QDateTime before = QDateTime::currentDateTime();
    zverr::trapEvent("frmMain.tmrHi_Timer", [] { metaSync(); });
    zverr::trapEvent("frmMain.Form_Resize", [] { throw std::runtime_error("x"); });
    zverr::trapEvent("frmMain.Form_Activate", [] {});  // no failure, no line
    const QDateTime after = QDateTime::currentDateTime();

    const QByteArray log = readFile(programPath("Error.log"));
    const QByteArray expectedBefore =
        logLine(before, "frmMain.tmrHi_Timer") + logLine(before, "frmMain.Form_Resize");
    const QByteArray expectedAfter =
        logLine(after, "frmMain.tmrHi_Timer") + logLine(after, "frmMain.Form_Resize");
    EXPECT_TRUE(log == expectedBefore || log == expectedAfter) << log.toStdString();
}

TEST_F(ErrorLog, UnwritableLogIsDroppedQuietly) {
    // The program folder is a file here, so Error.log cannot be created.
    const QString notAFolder = programPath("fajl");
    writeFile(notAFolder, "x");
    zvpaths::setProgramFolder(notAFolder);
    EXPECT_NO_THROW(
        zverr::trapEvent("frmMain.cmdStop_Click", [] { throw std::runtime_error("x"); }));
    EXPECT_EQ(readFile(notAFolder), QByteArray("x"));
}
