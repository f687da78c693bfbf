#include "platform/errorchain.h"
#include "playertest.h"
#include "startup/audiolibrarycheck.h"
#include "startup/startfailure.h"
#include "startup/startup.h"
#include "startup/stationfile.h"
#include "startup/updatecheck.h"
#include "ui/frmmain.h"

#include <system_error>

using zvbox::Answer;

namespace {

class ExitStatus : public zvtest::PlayerTest {};

}  // namespace

TEST_F(ExitStatus, AnyFailureThatLeavesStartUpEndsWithItsErrorBox) {
    const std::system_error noThread(
        std::make_error_code(std::errc::resource_unavailable_try_again), "thread");
    const std::pair<std::exception_ptr, QString> rows[] = {
        {std::make_exception_ptr(zverr::Failure(53, QStringLiteral("modNetRadio.loadIni(2):"),
                                                QStringLiteral("Nincs meg"))),
         QStringLiteral("Nincs meg\r\rmodNetRadio.loadIni(2): (53)")},
        {std::make_exception_ptr(noThread), QString::fromLocal8Bit(noThread.what())},
        {std::make_exception_ptr(7), QStringLiteral("Ismeretlen hiba")},
    };
    for (const auto& [failure, text] : rows) {
        boxes.shown.clear();
        EXPECT_EQ(endOf([&] { zvstartup::endAfterFailure(failure); }), zvbox::kExitFailed);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Hiba"));
        EXPECT_EQ(boxes.shown[0].text, text);
    }
}

TEST_F(ExitStatus, AnEndAfterAnErrorBoxFailsAndAnEndTheUserChoseDoesNot) {
    const QString updateFile = programPath(QStringLiteral("zvadok.ini"));
    auto announce = [&](bool mandatory) {
        writeFile(updateFile, QByteArray("[Update]\nurl=http://u\nverz=") +
                                  QByteArray::number(zvstartup::localVersionNumber() + 1) +
                                  "\nkotelez=" + (mandatory ? "1" : "0"));
        zvstartup::runUpdateCheck(updateFile);
    };
    zvengine::StationList list;
    const struct {
        const char* name;
        std::function<void()> run;
        Answer answer;
        int status;
    } rows[] = {
        {"skin missing", [] { zvstartup::Main({}); }, Answer::Ok, zvbox::kExitFailed},
        {"station list unreachable",
         [&] {
             zvstartup::StationFile(list, QStringLiteral("http://127.0.0.1:1/"),
                                    [](std::chrono::milliseconds) {})
                 .getRemIni();
         },
         Answer::Ok, zvbox::kExitFailed},
        {"audio library refused", [] { zvstartup::checkAudioLibrary(0); }, Answer::Ok,
         zvbox::kExitFailed},
        {"mandatory update accepted", [&] { announce(true); }, Answer::Ok, zvbox::kExitNormal},
        {"mandatory update declined", [&] { announce(true); }, Answer::Cancel, zvbox::kExitNormal},
        {"optional update accepted", [&] { announce(false); }, Answer::Yes, zvbox::kExitNormal},
    };
    for (const auto& row : rows) {
        boxes.answers = {row.answer};
        EXPECT_EQ(endOf(row.run), row.status) << row.name;
    }
}
