// Service start/stop waits and the port monitor calls, against a pretend SCM and spooler.
#include "install/service_ops.h"

#include <gtest/gtest.h>

#include <numeric>

#include "fakes/fake_kernel.h"
#include "fakes/fake_services.h"
#include "fakes/fake_spooler.h"

namespace {

using fakes::FakeKernel;
using fakes::FakeServiceManager;
using velmora::PortAddOrDelete;
using velmora::StartServiceAndWait;
using velmora::StopServiceAndWait;

class ServiceWaitTest : public ::testing::Test {
  protected:
    // Service handle closed before the manager, each exactly once, nothing left open.
    void ExpectClosedInOrder() {
        EXPECT_TRUE(scm.open.empty());
        ASSERT_EQ(scm.closed.size(), 2u);
        EXPECT_EQ(scm.closed[0], scm.service());
        EXPECT_EQ(scm.closed[1], scm.manager());
    }
    FakeServiceManager scm;
    FakeKernel kernel;
};

TEST_F(ServiceWaitTest, StartPollsWithWaitHintPlus500UntilRunning) {
    scm.answers = {{2, 3000}, {2, 0}, {4, 0}};
    EXPECT_TRUE(StartServiceAndWait(scm, kernel, "spooler"));
    // First pause is 500 whatever the service reports; later ones use the last hint.
    EXPECT_EQ(kernel.sleeps, (std::vector<plat::DWORD>{500, 3500, 500}));
    ExpectClosedInOrder();
}

TEST_F(ServiceWaitTest, RefusedStartReturnsZeroWithoutSleeping) {
    scm.request_accepted = false;
    EXPECT_FALSE(StartServiceAndWait(scm, kernel, "spooler"));
    EXPECT_TRUE(kernel.sleeps.empty());
    ExpectClosedInOrder();
}

TEST_F(ServiceWaitTest, FailedQueryEndsEitherWaitWithSuccess) {
    scm.answers = {{2, 0}, {0, 0, true}};
    EXPECT_TRUE(StartServiceAndWait(scm, kernel, "spooler"));
    EXPECT_EQ(kernel.sleeps.size(), 2u);
    ExpectClosedInOrder();

    FakeServiceManager stop_scm;
    FakeKernel stop_kernel;
    stop_scm.state_from_stop = 3;  // stop pending
    stop_scm.answers = {{3, 0}, {0, 0, true}};
    EXPECT_TRUE(StopServiceAndWait(stop_scm, stop_kernel, "spooler"));
    EXPECT_EQ(stop_kernel.sleeps, (std::vector<plat::DWORD>{1000, 500, 500}));
}

TEST_F(ServiceWaitTest, OpenFailuresCloseOnlyWhatWasOpened) {
    scm.manager_opens = false;
    EXPECT_FALSE(StartServiceAndWait(scm, kernel, "spooler"));
    EXPECT_FALSE(StopServiceAndWait(scm, kernel, "spooler"));
    EXPECT_TRUE(scm.closed.empty());

    FakeServiceManager no_service;
    no_service.service_exists = false;
    EXPECT_FALSE(StartServiceAndWait(no_service, kernel, "spooler"));
    EXPECT_EQ(no_service.closed, (std::vector<plat::SC_HANDLE>{no_service.manager()}));
    EXPECT_TRUE(kernel.sleeps.empty());
}

TEST_F(ServiceWaitTest, ServiceThatNeverStartsIsWaitedForAtMostTheLimit) {
    scm.answers = {{2, 0xFFFFFFFFu}};  // a hint so large that hint + 500 would wrap around
    EXPECT_TRUE(StartServiceAndWait(scm, kernel, "spooler"));
    const auto total = std::accumulate(kernel.sleeps.begin(), kernel.sleeps.end(), 0ull);
    EXPECT_EQ(total, velmora::kServiceWaitLimitMs);
    ExpectClosedInOrder();
}

TEST_F(ServiceWaitTest, StopSleeps1000ThenPolls500UntilStopped) {
    scm.state_from_stop = 3;
    scm.answers = {{3, 0}, {3, 0}, {1, 0}};
    EXPECT_TRUE(StopServiceAndWait(scm, kernel, "Spooler"));
    EXPECT_EQ(kernel.sleeps, (std::vector<plat::DWORD>{1000, 500, 500, 500}));
    ExpectClosedInOrder();
}

TEST_F(ServiceWaitTest, StopThatReportsStoppedAtOnceMakesNoQuery) {
    EXPECT_TRUE(StopServiceAndWait(scm, kernel, "Spooler"));
    EXPECT_EQ(kernel.sleeps, (std::vector<plat::DWORD>{1000}));
    EXPECT_EQ(std::count(scm.calls.begin(), scm.calls.end(), "QueryServiceStatus"), 0);
}

TEST_F(ServiceWaitTest, RefusedStopAndNeverStoppingServiceAreBounded) {
    scm.request_accepted = false;
    EXPECT_FALSE(StopServiceAndWait(scm, kernel, "Spooler"));
    EXPECT_TRUE(kernel.sleeps.empty());
    ExpectClosedInOrder();

    FakeServiceManager stuck;
    FakeKernel stuck_kernel;
    stuck.state_from_stop = 3;
    stuck.answers = {{3, 0}};
    EXPECT_TRUE(StopServiceAndWait(stuck, stuck_kernel, "Spooler"));
    const auto total =
        std::accumulate(stuck_kernel.sleeps.begin(), stuck_kernel.sleeps.end(), 0ull);
    EXPECT_EQ(total, 1000 + velmora::kServiceWaitLimitMs);
}

TEST(PortAddOrDeleteTest, SendsThePortNameAsUtf16WithTerminator) {
    fakes::FakeSpooler spooler;
    EXPECT_TRUE(PortAddOrDelete(spooler, false));
    ASSERT_EQ(spooler.xcv_calls.size(), 1u);
    const auto& call = spooler.xcv_calls[0];
    EXPECT_EQ(call.command, u"AddPort");
    ASSERT_EQ(call.input.size(), 36u);
    const std::string ascii = "zarvoPrinter Port";
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        EXPECT_EQ(call.input[2 * i], static_cast<plat::BYTE>(ascii[i]));
        EXPECT_EQ(call.input[2 * i + 1], 0);
    }
    EXPECT_EQ(call.input[34], 0);
    EXPECT_EQ(call.input[35], 0);
    EXPECT_EQ(call.output_size, 0u);
    EXPECT_EQ(spooler.last_open_access, plat::kServerAllAccess);
    EXPECT_TRUE(spooler.open.empty());
}

TEST(PortAddOrDeleteTest, MonitorStatusNeverTurnsTheResultIntoFailure) {
    fakes::FakeSpooler spooler;
    EXPECT_TRUE(PortAddOrDelete(spooler, false));
    EXPECT_TRUE(PortAddOrDelete(spooler, false));  // already there: status 183, still success
    EXPECT_TRUE(PortAddOrDelete(spooler, true));
    EXPECT_TRUE(PortAddOrDelete(spooler, true));  // already gone: status 2, still success
    EXPECT_EQ(spooler.xcv_calls[2].command, u"DeletePort");
    EXPECT_TRUE(spooler.ports.empty());
    EXPECT_TRUE(spooler.open.empty());
    EXPECT_EQ(spooler.bad_closes, 0);
}

TEST(PortAddOrDeleteTest, ChannelClosedWhateverTheCallReturnsAndNoCallWithoutChannel) {
    fakes::FakeSpooler spooler;
    spooler.xcv_call_succeeds = false;
    EXPECT_FALSE(PortAddOrDelete(spooler, true));
    EXPECT_TRUE(spooler.open.empty());
    EXPECT_EQ(spooler.calls.back(), "ClosePrinter");

    fakes::FakeSpooler closed;
    closed.channel_opens = false;
    EXPECT_FALSE(PortAddOrDelete(closed, false));
    EXPECT_TRUE(closed.xcv_calls.empty());
    EXPECT_EQ(std::count(closed.calls.begin(), closed.calls.end(), "ClosePrinter"), 0);
}

}  // namespace
