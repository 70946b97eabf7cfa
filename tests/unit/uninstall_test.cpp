// The uninstall sequence against a pretend kernel and spooler: order, handles, result.
#include <gtest/gtest.h>

#include "fakes/fake_os.h"
#include "install/printer_constants.h"
#include "install/sequences.h"
#include "report/report.h"

namespace {

using Calls = std::vector<std::string>;

const std::string kOpenQueue = std::string("OpenPrinter ") + velmora::kPrinterName;
const std::string kDeleteDriver = std::string("DeletePrinterDriver ") + velmora::kPrinterName;
const Calls kPortDeletion = {"OpenPrinter ,XcvMonitor Local Port", "ClosePrinter"};

class UninstallTest : public ::testing::Test {
  protected:
    void Populate() {
        fake.spooler.printers.insert(velmora::kPrinterName);
        fake.spooler.ports.insert(velmora::kPortNameW);
        fake.spooler.drivers.insert(velmora::kPrinterName);
    }
    void ExpectNothingLeftOpenOrShown() {
        EXPECT_TRUE(fake.spooler.open.empty());
        EXPECT_EQ(fake.spooler.bad_closes, 0);
        EXPECT_TRUE(fake.ui.boxes.empty());
        EXPECT_TRUE(fake.internet.calls.empty());  // the report runs on its own thread
    }
    static Calls Join(Calls head, const Calls& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }
    fakes::FakeOs fake;
};

TEST_F(UninstallTest, ReportsPausesThenRemovesQueuePortAndDriver) {
    Populate();
    std::size_t spooler_calls_at_sleep = SIZE_MAX;
    std::size_t threads_at_sleep = 0;
    fake.kernel.on_sleep = [&](plat::DWORD) {
        spooler_calls_at_sleep = fake.spooler.calls.size();
        threads_at_sleep = fake.kernel.threads.size();
    };

    EXPECT_TRUE(velmora::UninstallPrinter(fake.os));

    EXPECT_EQ(fake.kernel.events,
              (Calls{"thread 4 /zarvoprinter/servlet/PrintUnInstall", "sleep 3000"}));
    EXPECT_EQ(threads_at_sleep, 1u);
    EXPECT_EQ(spooler_calls_at_sleep, 0u);
    ASSERT_EQ(fake.kernel.threads.size(), 1u);
    EXPECT_EQ(fake.kernel.threads[0].start, &velmora::ReportThreadProc);

    EXPECT_EQ(fake.spooler.calls, Join({kOpenQueue, "DeletePrinter", "ClosePrinter"},
                                       Join(kPortDeletion, {kDeleteDriver})));
    ASSERT_FALSE(fake.spooler.open_accesses.empty());
    EXPECT_EQ(fake.spooler.open_accesses[0], 0xF000Cu);
    EXPECT_TRUE(fake.spooler.printers.empty());
    EXPECT_TRUE(fake.spooler.ports.empty());
    EXPECT_TRUE(fake.spooler.drivers.empty());
    ExpectNothingLeftOpenOrShown();
}

TEST_F(UninstallTest, RefusedDeletionStillClosesThePrinterHandle) {
    Populate();
    fake.spooler.delete_printer_succeeds = false;
    EXPECT_TRUE(velmora::UninstallPrinter(fake.os));
    EXPECT_EQ(fake.spooler.calls, Join({kOpenQueue, "DeletePrinter", "ClosePrinter"},
                                       Join(kPortDeletion, {kDeleteDriver})));
    EXPECT_EQ(fake.spooler.printers.count(velmora::kPrinterName), 1u);  // the queue stays
    EXPECT_TRUE(fake.spooler.drivers.empty());
    ExpectNothingLeftOpenOrShown();
}

TEST_F(UninstallTest, MissingPrinterSkipsDeletionButStillRemovesPortAndDriver) {
    fake.spooler.ports.insert(velmora::kPortNameW);
    fake.spooler.drivers.insert(velmora::kPrinterName);
    EXPECT_TRUE(velmora::UninstallPrinter(fake.os));
    EXPECT_EQ(fake.spooler.calls, Join({kOpenQueue}, Join(kPortDeletion, {kDeleteDriver})));
    EXPECT_TRUE(fake.spooler.ports.empty());
    EXPECT_TRUE(fake.spooler.drivers.empty());
    ExpectNothingLeftOpenOrShown();
}

TEST_F(UninstallTest, ResultIsTheDriverDeletionsAlone) {
    // Queue and port go, but with no driver to delete the uninstall fails.
    fake.spooler.printers.insert(velmora::kPrinterName);
    fake.spooler.ports.insert(velmora::kPortNameW);
    EXPECT_FALSE(velmora::UninstallPrinter(fake.os));
    EXPECT_TRUE(fake.spooler.printers.empty());
    EXPECT_TRUE(fake.spooler.ports.empty());
    ExpectNothingLeftOpenOrShown();
}

TEST_F(UninstallTest, SecondUninstallRunsTheSameWayAndFails) {
    Populate();
    EXPECT_TRUE(velmora::UninstallAction(fake.os));
    fake.spooler.calls.clear();

    EXPECT_FALSE(velmora::UninstallAction(fake.os));
    EXPECT_EQ(fake.spooler.calls, Join({kOpenQueue}, Join(kPortDeletion, {kDeleteDriver})));
    EXPECT_EQ(fake.kernel.sleeps, (std::vector<plat::DWORD>{3000, 3000}));
    EXPECT_EQ(fake.kernel.threads.size(), 2u);
    ExpectNothingLeftOpenOrShown();
}

}  // namespace
