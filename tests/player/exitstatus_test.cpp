#include "platform/errorchain.h"
#include "playertest.h"
#include "startup/startfailure.h"

#include <system_error>

using ExitStatus = zvtest::PlayerTest;

// Whatever failure leaves start-up ends the program as failed, with a box that describes it.
TEST_F(ExitStatus, AnyFailureThatLeavesStartUpEndsWithItsErrorBox) {
    const std::system_error noThread(
        std::make_error_code(std::errc::resource_unavailable_try_again), "thread");
    const std::pair<std::exception_ptr, QString> rows[] = {
        {std::make_exception_ptr(zverr::Failure(53, "modNetRadio.loadIni(2):", "Nincs meg")),
         "Nincs meg\r\rmodNetRadio.loadIni(2): (53)"},
        {std::make_exception_ptr(noThread), QString::fromLocal8Bit(noThread.what())},
        {std::make_exception_ptr(7), "Ismeretlen hiba"},
    };
    for (const auto& [failure, text] : rows) {
        boxes.shown.clear();
        EXPECT_EQ(endOf([&] { zvstartup::endAfterFailure(failure); }), zvbox::kExitFailed);
        EXPECT_EQ(boxes.shown, (Boxes{{"Hiba", text}}));
    }
}
